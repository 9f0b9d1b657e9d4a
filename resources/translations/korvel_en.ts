<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="de_DE">
<context>
    <name>StringTable</name>
    <message>
        <source>Deutsch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Korvel</source>
        <translation>Korvel</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl_NL" sourcelanguage="de_DE">
<context>
    <name>StringTable</name>
    <message>
        <source>Deutsch</source>
        <translation>Nederlands</translation>
    </message>
    <message>
        <source>Korvel</source>
        <translation>KORVEL</translation>
    </message>
    <message>
        <source>Vermessung</source>
        <translation>Landmeting</translation>
    </message>
</context>
</TS>

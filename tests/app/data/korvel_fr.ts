<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="de_DE">
<context>
    <name>StringTable</name>
    <message>
        <source>Deutsch</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Korvel</source>
        <translation>Autre programme</translation>
    </message>
</context>
</TS>

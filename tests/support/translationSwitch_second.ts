<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Test catalogue: translates "Default" only; "Disconnect" must then fall
     back to its source text, which proves the first catalogue is gone. -->
<TS version="2.1" language="en_AU" sourcelanguage="en_US">
<context>
    <name>mainPageDia</name>
    <message>
        <source>Default</source>
        <translation>second-Default</translation>
    </message>
</context>
</TS>

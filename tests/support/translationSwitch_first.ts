<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Test catalogue: translates both texts, so a leftover copy would show. -->
<TS version="2.1" language="en_GB" sourcelanguage="en_US">
<context>
    <name>mainPageDia</name>
    <message>
        <source>Default</source>
        <translation>first-Default</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>first-Disconnect</translation>
    </message>
</context>
</TS>

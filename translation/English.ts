<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>mainPageDia</name>
    <message>
        <source>mainPageDia</source>
        <translation>mainPageDia</translation>
    </message>
    <message>
        <source>VID:</source>
        <translation>VID:</translation>
    </message>
    <message>
        <source>0x0416</source>
        <translation>0x0416</translation>
    </message>
    <message>
        <source>PID:</source>
        <translation>PID:</translation>
    </message>
    <message>
        <source>0xb23c</source>
        <translation>0xb23c</translation>
    </message>
    <message>
        <source>Lock</source>
        <translation>Lock</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>连接：</source>
        <translation>Connect:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>  断开：</source>
        <translation>  Disconnect:</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Restore factory</source>
        <translation>Restore factory</translation>
    </message>
    <message>
        <source>Connect Status</source>
        <translation>Connect Status</translation>
    </message>
    <message>
        <source>断开重连后的处理</source>
        <translation>Handling after reconnection</translation>
    </message>
    <message>
        <source>Magnetic already calibrated</source>
        <translation>Magnetic already calibrated</translation>
    </message>
    <message>
        <source>Production testing ...</source>
        <translation>Production testing ...</translation>
    </message>
    <message>
        <source>Key test</source>
        <translation>Key test</translation>
    </message>
    <message>
        <source>MFRS:</source>
        <translation>MFRS:</translation>
    </message>
    <message>
        <source>Nuvoton---Test</source>
        <translation>Nuvoton---Test</translation>
    </message>
    <message>
        <source>PROD:</source>
        <translation>PROD:</translation>
    </message>
    <message>
        <source>Gameing Keyboard---Test</source>
        <translation>Gameing Keyboard---Test</translation>
    </message>
    <message>
        <source>F/W:</source>
        <translation>F/W:</translation>
    </message>
    <message>
        <source>keyboard-Model---Test</source>
        <translation>keyboard-Model---Test</translation>
    </message>
    <message>
        <source>VER:</source>
        <translation>VER:</translation>
    </message>
    <message>
        <source>1.0.0.0---Test</source>
        <translation>1.0.0.0---Test</translation>
    </message>
    <message>
        <source>Light Test:</source>
        <translation>Light Test:</translation>
    </message>
    <message>
        <source>RGB</source>
        <translation>RGB</translation>
    </message>
    <message>
        <source>R</source>
        <translation>R</translation>
    </message>
    <message>
        <source>G</source>
        <translation>G</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>W</source>
        <translation>W</translation>
    </message>
    <message>
        <source>Ctrl+ ←/→ Change LED color</source>
        <translation>Ctrl+ ←/→ Change LED color</translation>
    </message>
    <message>
        <source>Keyboard test：</source>
        <translation>Keyboard test:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Ctrl+Space Restart test</source>
        <translation>Ctrl+Space Restart test</translation>
    </message>
    <message>
        <source>Keyboard test</source>
        <translation>Keyboard test</translation>
    </message>
    <message>
        <source>IR/HE test</source>
        <translation>IR/HE test</translation>
    </message>
    <message>
        <source>Tavrin Electronics</source>
        <translation>Tavrin Electronics</translation>
    </message>
    <message>
        <source>Call: +00 000 0000 000</source>
        <translation>Call: +00 000 0000 000</translation>
    </message>
    <message>
        <source>Email: support@example.com</source>
        <translation>Email: support@example.com</translation>
    </message>
    <message>
        <source>https://www.example.com</source>
        <translation>https://www.example.com</translation>
    </message>
    <message>
        <source>Tavrin Keyboard Test</source>
        <translation>Tavrin Keyboard Test</translation>
    </message>
    <message>
        <source>Connect success</source>
        <translation>Connect success</translation>
    </message>
    <message>
        <source>Connect failed</source>
        <translation>Connect failed</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Magnetic axis not calibrated</source>
        <translation>Magnetic axis not calibrated</translation>
    </message>
    <message>
        <source>Production Successful</source>
        <translation>Production Successful</translation>
    </message>
    <message>
        <source>Production Failed</source>
        <translation>Production Failed</translation>
    </message>
</context>
<context>
    <name>keyboardPage</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>(Black means no such key)</source>
        <translation>(Black means no such key)</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>Korean/English</source>
        <translation>Korean/English</translation>
    </message>
</context>
<context>
    <name>keyboardButCustom</name>
    <message>
        <source>Chinese</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>Korean/English</source>
        <translation>Korean/English</translation>
    </message>
</context>
<context>
    <name>VerdictBar</name>
    <message>
        <source>Serial:</source>
        <translation>Serial:</translation>
    </message>
    <message>
        <source>Scan the serial, then plug the keyboard in</source>
        <translation>Scan the serial, then plug the keyboard in</translation>
    </message>
    <message>
        <source>Plug a keyboard in</source>
        <translation>Plug a keyboard in</translation>
    </message>
    <message>
        <source>Serial over %1 characters refused: scan again</source>
        <translation>Serial over %1 characters refused: scan again</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>Testing</source>
        <translation>Testing</translation>
    </message>
    <message>
        <source>%1 / %2 keys</source>
        <translation>%1 / %2 keys</translation>
    </message>
    <message>
        <source>%1 never pressed</source>
        <translation>%1 never pressed</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 and %2 more</translation>
    </message>
    <message>
        <source>no keys to test</source>
        <translation>no keys to test</translation>
    </message>
    <message>
        <source>%1 chattered (%2 ms)</source>
        <translation>%1 chattered (%2 ms)</translation>
    </message>
    <message>
        <source>key check: 1 key failed</source>
        <translation>key check: 1 key failed</translation>
    </message>
    <message>
        <source>key check: %1 keys failed</source>
        <translation>key check: %1 keys failed</translation>
    </message>
    <message>
        <source>calibration failed</source>
        <translation>calibration failed</translation>
    </message>
    <message>
        <source>firmware not answering</source>
        <translation>firmware not answering</translation>
    </message>
    <message>
        <source>no serial</source>
        <translation>no serial</translation>
    </message>
    <message>
        <source>at most %1 keys held at once (want %2)</source>
        <translation>at most %1 keys held at once (want %2)</translation>
    </message>
    <message>
        <source>key check not run</source>
        <translation>key check not run</translation>
    </message>
    <message>
        <source>calibration not run</source>
        <translation>calibration not run</translation>
    </message>
    <message>
        <source>calibration not finished</source>
        <translation>calibration not finished</translation>
    </message>
    <message>
        <source>Settings: %1 not understood</source>
        <translation>Settings: %1 not understood</translation>
    </message>
    <message>
        <source>keys not taken from the unit</source>
        <translation>keys not taken from the unit</translation>
    </message>
    <message>
        <source>%1 not on the layout</source>
        <translation>%1 not on the layout</translation>
    </message>
    <message>
        <source>row %1 column %2</source>
        <translation>row %1 column %2</translation>
    </message>
</context>
<context>
    <name>ResultsView</name>
    <message>
        <source>Results</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Today</translation>
    </message>
    <message>
        <source>Last 7 days</source>
        <translation>Last 7 days</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>From</source>
        <translation>From</translation>
    </message>
    <message>
        <source>to</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Units tested</source>
        <translation>Units tested</translation>
    </message>
    <message>
        <source>Serials</source>
        <translation>Serials</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>First-pass yield</translation>
    </message>
    <message>
        <source>Final yield</source>
        <translation>Final yield</translation>
    </message>
    <message>
        <source>Retests</source>
        <translation>Retests</translation>
    </message>
    <message>
        <source>Incomplete</source>
        <translation>Incomplete</translation>
    </message>
    <message>
        <source>Why units did not pass</source>
        <translation>Why units did not pass</translation>
    </message>
    <message>
        <source>Units failed per key: chattered, key check, calibration, never pressed (white: none, red: the most)</source>
        <translation>Units failed per key: chattered, key check, calibration, never pressed (white: none, red: the most)</translation>
    </message>
    <message>
        <source>%1: reading the store ...</source>
        <translation>%1: reading the store ...</translation>
    </message>
    <message>
        <source>%1: the store cannot be read: %2</source>
        <translation>%1: the store cannot be read: %2</translation>
    </message>
    <message>
        <source>%1, this station</source>
        <translation>%1, this station</translation>
    </message>
</context>
<context>
    <name>StationTools</name>
    <message>
        <source>Operator:</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Results</translation>
    </message>
</context>
<context>
    <name>ParetoBars</name>
    <message>
        <source>No unit failed.</source>
        <translation>No unit failed.</translation>
    </message>
</context>
<context>
    <name>figuresText</name>
    <message>
        <source>key chattered</source>
        <translation>key chattered</translation>
    </message>
    <message>
        <source>key check failed</source>
        <translation>key check failed</translation>
    </message>
    <message>
        <source>calibration failed</source>
        <translation>calibration failed</translation>
    </message>
    <message>
        <source>firmware not answering</source>
        <translation>firmware not answering</translation>
    </message>
    <message>
        <source>station settings not understood</source>
        <translation>station settings not understood</translation>
    </message>
    <message>
        <source>keys not taken from the unit</source>
        <translation>keys not taken from the unit</translation>
    </message>
    <message>
        <source>no serial</source>
        <translation>no serial</translation>
    </message>
    <message>
        <source>no keys to test</source>
        <translation>no keys to test</translation>
    </message>
    <message>
        <source>keys never pressed</source>
        <translation>keys never pressed</translation>
    </message>
    <message>
        <source>too few keys held at once</source>
        <translation>too few keys held at once</translation>
    </message>
    <message>
        <source>key check not run</source>
        <translation>key check not run</translation>
    </message>
    <message>
        <source>calibration not run</source>
        <translation>calibration not run</translation>
    </message>
    <message>
        <source>calibration not finished</source>
        <translation>calibration not finished</translation>
    </message>
    <message>
        <source>not recorded (older units)</source>
        <translation>not recorded (older units)</translation>
    </message>
    <message>
        <source>chattered</source>
        <translation>chattered</translation>
    </message>
    <message>
        <source>key check</source>
        <translation>key check</translation>
    </message>
    <message>
        <source>calibration</source>
        <translation>calibration</translation>
    </message>
    <message>
        <source>never pressed</source>
        <translation>never pressed</translation>
    </message>
</context>
</TS>

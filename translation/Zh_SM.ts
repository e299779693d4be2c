<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
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
        <translation>锁定</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>连接：</source>
        <translation>连接：</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>  断开：</source>
        <translation>  断开：</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Restore factory</source>
        <translation>恢复出厂设置</translation>
    </message>
    <message>
        <source>Connect Status</source>
        <translation>连接状态</translation>
    </message>
    <message>
        <source>断开重连后的处理</source>
        <translation>断开重连后的处理</translation>
    </message>
    <message>
        <source>Magnetic already calibrated</source>
        <translation>磁轴已校准</translation>
    </message>
    <message>
        <source>Production testing ...</source>
        <translation>生产测试中 ...</translation>
    </message>
    <message>
        <source>Key test</source>
        <translation>按键测试</translation>
    </message>
    <message>
        <source>MFRS:</source>
        <translation>厂商：</translation>
    </message>
    <message>
        <source>Nuvoton---Test</source>
        <translation>Nuvoton---Test</translation>
    </message>
    <message>
        <source>PROD:</source>
        <translation>产品：</translation>
    </message>
    <message>
        <source>Gameing Keyboard---Test</source>
        <translation>Gameing Keyboard---Test</translation>
    </message>
    <message>
        <source>F/W:</source>
        <translation>固件：</translation>
    </message>
    <message>
        <source>keyboard-Model---Test</source>
        <translation>keyboard-Model---Test</translation>
    </message>
    <message>
        <source>VER:</source>
        <translation>版本：</translation>
    </message>
    <message>
        <source>1.0.0.0---Test</source>
        <translation>1.0.0.0---Test</translation>
    </message>
    <message>
        <source>Light Test:</source>
        <translation>灯光测试：</translation>
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
        <translation>Ctrl+ ←/→ 切换灯光颜色</translation>
    </message>
    <message>
        <source>Keyboard test：</source>
        <translation>键盘测试：</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Ctrl+Space Restart test</source>
        <translation>Ctrl+Space 重新测试</translation>
    </message>
    <message>
        <source>Keyboard test</source>
        <translation>键盘测试</translation>
    </message>
    <message>
        <source>IR/HE test</source>
        <translation>IR/HE 测试</translation>
    </message>
    <message>
        <source>Tavrin Electronics</source>
        <translation>Tavrin 电子</translation>
    </message>
    <message>
        <source>Call: +00 000 0000 000</source>
        <translation>电话：+00 000 0000 000</translation>
    </message>
    <message>
        <source>Email: support@example.com</source>
        <translation>邮箱：support@example.com</translation>
    </message>
    <message>
        <source>https://www.example.com</source>
        <translation>https://www.example.com</translation>
    </message>
    <message>
        <source>Tavrin Keyboard Test</source>
        <translation>Tavrin 键盘测试</translation>
    </message>
    <message>
        <source>Connect success</source>
        <translation>连接成功</translation>
    </message>
    <message>
        <source>Connect failed</source>
        <translation>连接失败</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>已断开</translation>
    </message>
    <message>
        <source>Magnetic axis not calibrated</source>
        <translation>磁轴未校准</translation>
    </message>
    <message>
        <source>Production Successful</source>
        <translation>生产测试通过</translation>
    </message>
    <message>
        <source>Production Failed</source>
        <translation>生产测试失败</translation>
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
        <translation>（黑色表示无此按键）</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Korean/English</source>
        <translation>韩/英</translation>
    </message>
</context>
<context>
    <name>keyboardButCustom</name>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Korean/English</source>
        <translation>韩/英</translation>
    </message>
</context>
<context>
    <name>VerdictBar</name>
    <message>
        <source>Serial:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Scan the serial, then plug the keyboard in</source>
        <translation>请先扫描序列号，再插入键盘</translation>
    </message>
    <message>
        <source>Plug a keyboard in</source>
        <translation>请插入键盘</translation>
    </message>
    <message>
        <source>Serial over %1 characters refused: scan again</source>
        <translation>序列号超过 %1 个字符，不予采用：请重新扫描</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>不合格</translation>
    </message>
    <message>
        <source>Testing</source>
        <translation>测试中</translation>
    </message>
    <message>
        <source>%1 / %2 keys</source>
        <translation>%1 / %2 个键</translation>
    </message>
    <message>
        <source>%1 never pressed</source>
        <translation>%1 未按下</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 等另外 %2 个键</translation>
    </message>
    <message>
        <source>no keys to test</source>
        <translation>没有可测试的按键</translation>
    </message>
    <message>
        <source>%1 chattered (%2 ms)</source>
        <translation>%1 抖动（%2 毫秒）</translation>
    </message>
    <message>
        <source>key check: 1 key failed</source>
        <translation>按键检测：1 个键失败</translation>
    </message>
    <message>
        <source>key check: %1 keys failed</source>
        <translation>按键检测：%1 个键失败</translation>
    </message>
    <message>
        <source>calibration failed</source>
        <translation>校准失败</translation>
    </message>
    <message>
        <source>firmware not answering</source>
        <translation>固件无响应</translation>
    </message>
    <message>
        <source>no serial</source>
        <translation>无序列号</translation>
    </message>
    <message>
        <source>at most %1 keys held at once (want %2)</source>
        <translation>最多同时按住 %1 个键（要求 %2 个）</translation>
    </message>
    <message>
        <source>key check not run</source>
        <translation>未进行按键检测</translation>
    </message>
    <message>
        <source>calibration not run</source>
        <translation>未进行校准</translation>
    </message>
    <message>
        <source>calibration not finished</source>
        <translation>校准未完成</translation>
    </message>
    <message>
        <source>Settings: %1 not understood</source>
        <translation>设置：%1 无法识别</translation>
    </message>
    <message>
        <source>keys not taken from the unit</source>
        <translation>按键并非取自被测键盘</translation>
    </message>
    <message>
        <source>%1 not on the layout</source>
        <translation>%1 不在键盘布局中</translation>
    </message>
    <message>
        <source>row %1 column %2</source>
        <translation>第 %1 行第 %2 列</translation>
    </message>
</context>
<context>
    <name>ResultsView</name>
    <message>
        <source>Results</source>
        <translation>测试结果</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>今天</translation>
    </message>
    <message>
        <source>Last 7 days</source>
        <translation>最近 7 天</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>显示</translation>
    </message>
    <message>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source>Units tested</source>
        <translation>已测试数量</translation>
    </message>
    <message>
        <source>Serials</source>
        <translation>序列号数</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>直通率</translation>
    </message>
    <message>
        <source>Final yield</source>
        <translation>最终良率</translation>
    </message>
    <message>
        <source>Retests</source>
        <translation>复测次数</translation>
    </message>
    <message>
        <source>Incomplete</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>Why units did not pass</source>
        <translation>未通过原因</translation>
    </message>
    <message>
        <source>Units failed per key: chattered, key check, calibration, never pressed (white: none, red: the most)</source>
        <translation>各按键失败数量：抖动、按键检测、校准、未按下（白色：无，红色：最多）</translation>
    </message>
    <message>
        <source>%1: reading the store ...</source>
        <translation>%1：正在读取记录 ...</translation>
    </message>
    <message>
        <source>%1: the store cannot be read: %2</source>
        <translation>%1：无法读取记录：%2</translation>
    </message>
    <message>
        <source>%1, this station</source>
        <translation>%1，本工位</translation>
    </message>
</context>
<context>
    <name>StationTools</name>
    <message>
        <source>Operator:</source>
        <translation>操作员：</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>测试结果</translation>
    </message>
</context>
<context>
    <name>ParetoBars</name>
    <message>
        <source>No unit failed.</source>
        <translation>没有不合格的产品。</translation>
    </message>
</context>
<context>
    <name>figuresText</name>
    <message>
        <source>key chattered</source>
        <translation>按键抖动</translation>
    </message>
    <message>
        <source>key check failed</source>
        <translation>按键检测失败</translation>
    </message>
    <message>
        <source>calibration failed</source>
        <translation>校准失败</translation>
    </message>
    <message>
        <source>firmware not answering</source>
        <translation>固件无响应</translation>
    </message>
    <message>
        <source>station settings not understood</source>
        <translation>工位设置无法识别</translation>
    </message>
    <message>
        <source>keys not taken from the unit</source>
        <translation>按键不是来自被测键盘</translation>
    </message>
    <message>
        <source>no serial</source>
        <translation>无序列号</translation>
    </message>
    <message>
        <source>no keys to test</source>
        <translation>无可测试的按键</translation>
    </message>
    <message>
        <source>keys never pressed</source>
        <translation>按键未按下</translation>
    </message>
    <message>
        <source>too few keys held at once</source>
        <translation>同时按下的按键太少</translation>
    </message>
    <message>
        <source>key check not run</source>
        <translation>未进行按键检测</translation>
    </message>
    <message>
        <source>calibration not run</source>
        <translation>未进行校准</translation>
    </message>
    <message>
        <source>calibration not finished</source>
        <translation>校准未完成</translation>
    </message>
    <message>
        <source>not recorded (older units)</source>
        <translation>未记录（旧记录）</translation>
    </message>
    <message>
        <source>chattered</source>
        <translation>抖动</translation>
    </message>
    <message>
        <source>key check</source>
        <translation>按键检测</translation>
    </message>
    <message>
        <source>calibration</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>never pressed</source>
        <translation>未按下</translation>
    </message>
</context>
</TS>

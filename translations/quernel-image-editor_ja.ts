<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>qie::AboutBox</name>
    <message>
        <source>About Quernel Image Editor</source>
        <translation>Quernel Image Editor について</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Quernel Image Editor %1&lt;/h3&gt;&lt;p&gt;Draws a small monochrome bitmap and sends it to a device on a serial port.&lt;/p&gt;&lt;p&gt;Licence: MIT. The program comes with no warranty.&lt;/p&gt;&lt;p&gt;Qt %2&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Quernel Image Editor %1&lt;/h3&gt;&lt;p&gt;小さな白黒のビットマップを描き、シリアルポートの機器に送ります。&lt;/p&gt;&lt;p&gt;ライセンス：MIT。このプログラムは無保証です。&lt;/p&gt;&lt;p&gt;Qt %2&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>qie::Form1</name>
    <message>
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>読み込み</translation>
    </message>
</context>
<context>
    <name>qie::HelpWindow</name>
    <message>
        <source>Quernel Image Editor Help</source>
        <translation>Quernel Image Editor ヘルプ</translation>
    </message>
    <message>
        <source>&amp;About…</source>
        <translation>バージョン情報(&amp;A)…</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
</context>
<context>
    <name>qie::PictureEditor</name>
    <message>
        <source>Click</source>
        <translation>クリック</translation>
    </message>
    <message>
        <source>Stroke</source>
        <translation>ストローク</translation>
    </message>
    <message>
        <source>Transform</source>
        <translation>変形</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼り付け</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>テキスト</translation>
    </message>
    <message>
        <source>Import image</source>
        <translation>画像の取り込み</translation>
    </message>
</context>
</TS>

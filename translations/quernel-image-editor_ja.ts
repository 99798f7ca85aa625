<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Form1</name>
    <message>
        <source>Discard</source>
        <translation>破棄</translation>
    </message>
    <message>
        <source>Sending what was written to the port before it closes.
%1 bytes left, about %2 s left.</source>
        <translation>ポートを閉じる前に、書き込んだデータを送っています。
残り %1 バイト、あと約 %2 秒。</translation>
    </message>
</context>
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
    <name>qie::DocumentView</name>
    <message>
        <source>Press Done or Enter to apply</source>
        <translation>Done または Enter で適用します</translation>
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
    <name>qie::GridMenu</name>
    <message>
        <source>&amp;Undo</source>
        <translation>元に戻す(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>やり直し(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>コピー(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>貼り付け(&amp;P)</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>消去(&amp;L)</translation>
    </message>
    <message>
        <source>In&amp;vert</source>
        <translation>反転(&amp;V)</translation>
    </message>
    <message>
        <source>S&amp;hift</source>
        <translation>移動(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Left</source>
        <translation>左へ(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Right</source>
        <translation>右へ(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>上へ(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Down</source>
        <translation>下へ(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Mirror left-right</source>
        <translation>左右反転(&amp;M)</translation>
    </message>
    <message>
        <source>Flip up-&amp;down</source>
        <translation>上下反転(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Text…</source>
        <translation>テキスト(&amp;T)…</translation>
    </message>
    <message>
        <source>&amp;Import image…</source>
        <translation>画像の取り込み(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Export image…</source>
        <translation>画像の書き出し(&amp;E)…</translation>
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
    <name>qie::ImportDialog</name>
    <message>
        <source>Invert</source>
        <translation>反転</translation>
    </message>
    <message>
        <source>Dither</source>
        <translation>ディザー</translation>
    </message>
    <message>
        <source>Import image</source>
        <translation>画像の取り込み</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>ファイル:</translation>
    </message>
    <message>
        <source>&amp;Threshold:</source>
        <translation>しきい値(&amp;T):</translation>
    </message>
    <message>
        <source>%1 columns, width %2 bytes.</source>
        <translation>%1 列、幅 %2 バイト。</translation>
    </message>
    <message>
        <source>The image is %1 columns wide at 10 rows: the columns beyond 128 are cut.</source>
        <translation>画像は 10 行で幅 %1 列です。128 列を超える列は切り捨てられます。</translation>
    </message>
</context>
<context>
    <name>qie::NetworkPortDialog</name>
    <message>
        <source>Network port as port %1</source>
        <translation>ポート %1 にするネットワークポート</translation>
    </message>
    <message>
        <source>name or address</source>
        <translation>名前またはアドレス</translation>
    </message>
    <message>
        <source>RFC 2217 (line settings sent to the server)</source>
        <translation>RFC 2217（回線設定をサーバーに送る）</translation>
    </message>
    <message>
        <source>Raw TCP (bytes only)</source>
        <translation>生の TCP（バイトのみ）</translation>
    </message>
    <message>
        <source>&amp;Host:</source>
        <translation>ホスト(&amp;H):</translation>
    </message>
    <message>
        <source>&amp;Port:</source>
        <translation>ポート(&amp;P):</translation>
    </message>
    <message>
        <source>P&amp;rotocol:</source>
        <translation>プロトコル(&amp;R):</translation>
    </message>
    <message>
        <source>Type the host of the network serial server.</source>
        <translation>ネットワークシリアルサーバーのホストを入力してください。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a host name or an address.</source>
        <translation>「%1」はホスト名でもアドレスでもありません。</translation>
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
<context>
    <name>qie::PortPicker</name>
    <message>
        <source>Pin a net&amp;work port as port %1…</source>
        <translation>ネットワークポートをポート %1 にピン留め(&amp;W)…</translation>
    </message>
    <message>
        <source>Reconnect &amp;automatically</source>
        <translation>自動的に再接続(&amp;A)</translation>
    </message>
</context>
<context>
    <name>qie::QtDialogService</name>
    <message>
        <source>Import image</source>
        <translation>画像の取り込み</translation>
    </message>
    <message>
        <source>Export image</source>
        <translation>画像の書き出し</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>Scale (1x to 16x):</source>
        <translation>倍率（1〜16 倍）:</translation>
    </message>
</context>
<context>
    <name>qie::ReceiveArea</name>
    <message>
        <source>Show &amp;timestamps</source>
        <translation>タイムスタンプを表示(&amp;T)</translation>
    </message>
    <message>
        <source>Show se&amp;nt data</source>
        <translation>送信データを表示(&amp;N)</translation>
    </message>
    <message>
        <source>Send te&amp;xt…</source>
        <translation>テキストを送信(&amp;X)…</translation>
    </message>
</context>
<context>
    <name>qie::SendTextDialog</name>
    <message>
        <source>Send text</source>
        <translation>テキストの送信</translation>
    </message>
    <message>
        <source>CR LF</source>
        <translation>CR LF</translation>
    </message>
    <message>
        <source>CR</source>
        <translation>CR</translation>
    </message>
    <message>
        <source>LF</source>
        <translation>LF</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>&amp;Send</source>
        <translation>送信(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Text:</source>
        <translation>テキスト(&amp;T):</translation>
    </message>
    <message>
        <source>&amp;Line end:</source>
        <translation>行末(&amp;L):</translation>
    </message>
</context>
<context>
    <name>qie::TextDialog</name>
    <message>
        <source>Text</source>
        <translation>テキスト</translation>
    </message>
    <message>
        <source>&amp;Text:</source>
        <translation>テキスト(&amp;T):</translation>
    </message>
    <message>
        <source>&amp;Font:</source>
        <translation>フォント(&amp;F):</translation>
    </message>
    <message>
        <source>%1 columns, width %2 bytes.</source>
        <translation>%1 列、幅 %2 バイト。</translation>
    </message>
    <message>
        <source>Too wide: the text needs %1 columns, the picture has %2.</source>
        <translation>幅が足りません。テキストには %1 列必要ですが、絵は %2 列です。</translation>
    </message>
</context>
</TS>

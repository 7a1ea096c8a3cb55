<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Messages</name>
    <message>
        <source>アルバムモードに切り替えますか？</source>
        <translation>Switch to album mode?</translation>
    </message>
    <message>
        <source>読み込みファイルは最大３００００ファイルです。<byte value="xd"/>
大変申し訳ございませんがフォルダー内の整理をして下さい。</source>
        <translation>At most 30000 files can be loaded.<byte value="xd"/>
Please tidy up the folder.</translation>
    </message>
    <message>
        <source>画像ファイルがアルバムフォルダーにありませんでした。<byte value="xd"/>
フォルダーを確認し、再度ZUDIを起動して下さい。</source>
        <translation>There are no pictures in the album folder.<byte value="xd"/>
Check the folder and start VELT again.</translation>
    </message>
    <message>
        <source>選択したフォルダーが見つかりません。<byte value="xd"/>
フォルダーを選択し直して下さい。</source>
        <translation>The selected folder cannot be found.<byte value="xd"/>
Please choose a folder again.</translation>
    </message>
    <message>
        <source>ＩＥキャッシュファイルを検索中…</source>
        <translation>Searching the IE cache files…</translation>
    </message>
    <message>
        <source>ＮｅｔＳｃａｐｅキャッシュファイルを検索中…</source>
        <translation>Searching the Netscape cache files…</translation>
    </message>
    <message>
        <source>ブラウザーキャッシュファイルを検索中…</source>
        <translation>Searching the browser cache files…</translation>
    </message>
    <message>
        <source>取得したファイルを整理しています…</source>
        <translation>Sorting the collected files…</translation>
    </message>
    <message>
        <source>動画ファイル(*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u)|*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u|メディアファイル(*.asf;*.asx)|*.asf;*.asx|ＱＴファイル(*.mov;*.qt)|*.mov;*.qt|ＲＭファイル(*.ra;*.rm;*.ram;*.rmm)|*.ra;*.rm;*.ram;*.rmm|画像ファイル(*.jpg;*.bmp;*.jpe)|*.jpg;*.bmp;*.jpe|メタファイル(*.wmf;*.emf)|*.wmf;*.emf|アイコン(*.ico)|*.ico|音楽1(*.mid;*.rmi;*.mp1;*.mp2;*.mp3)|*.mid;*.rmi;*.mp1;*.mp2;*.mp3|音楽2(*.wav;*.snd;*.au;*.aif;*.affc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff|全てのファイル(*.*)|*.*</source>
        <translation>Movie files(*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u)|*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u|Media files(*.asf;*.asx)|*.asf;*.asx|QT files(*.mov;*.qt)|*.mov;*.qt|RM files(*.ra;*.rm;*.ram;*.rmm)|*.ra;*.rm;*.ram;*.rmm|Picture files(*.jpg;*.bmp;*.jpe)|*.jpg;*.bmp;*.jpe|Metafiles(*.wmf;*.emf)|*.wmf;*.emf|Icons(*.ico)|*.ico|Music 1(*.mid;*.rmi;*.mp1;*.mp2;*.mp3)|*.mid;*.rmi;*.mp1;*.mp2;*.mp3|Music 2(*.wav;*.snd;*.au;*.aif;*.affc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff|All files(*.*)|*.*</translation>
    </message>
    <message>
        <source>動画ファイル(*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u)|*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u|メディアファイル(*.asf;*.asx)|*.asf;*.asx|ＱＴファイル(*.mov;*.qt)|*.mov;*.qt|ＲＭファイル(*.ra;*.rm;*.ram;*.rmm)|*.ra;*.rm;*.ram;*.rmm|画像ファイル(*.jpg;*.bmp;*.jpe)|*.jpg;*.bmp;*.jpe|メタファイル(*.wmf;*.emf)|*.wmf;*.emf|アイコン(*.ico)|*.ico|音楽1(*.mid;*.rmi;*.mp1;*.mp2;*.mp3)|*.mid;*.rmi;*.mp1;*.mp2;*.mp3|音楽2(*.wav;*.snd;*.au;*.aif;*.affc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff|画像ファイル2(*.png;*.webp;*.avif;*.svg)|*.png;*.webp;*.avif;*.svg|動画・音楽ファイル2(*.mp4;*.m4v;*.webm;*.ogg;*.opus;*.m4a;*.aac;*.flac;*.mp3)|*.mp4;*.m4v;*.webm;*.ogg;*.opus;*.m4a;*.aac;*.flac;*.mp3|全てのファイル(*.*)|*.*</source>
        <translation>Movie files(*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u)|*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u|Media files(*.asf;*.asx)|*.asf;*.asx|QT files(*.mov;*.qt)|*.mov;*.qt|RM files(*.ra;*.rm;*.ram;*.rmm)|*.ra;*.rm;*.ram;*.rmm|Picture files(*.jpg;*.bmp;*.jpe)|*.jpg;*.bmp;*.jpe|Metafiles(*.wmf;*.emf)|*.wmf;*.emf|Icons(*.ico)|*.ico|Music 1(*.mid;*.rmi;*.mp1;*.mp2;*.mp3)|*.mid;*.rmi;*.mp1;*.mp2;*.mp3|Music 2(*.wav;*.snd;*.au;*.aif;*.affc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff|Picture files 2(*.png;*.webp;*.avif;*.svg)|*.png;*.webp;*.avif;*.svg|Movie and music files 2(*.mp4;*.m4v;*.webm;*.ogg;*.opus;*.m4a;*.aac;*.flac;*.mp3)|*.mp4;*.m4v;*.webm;*.ogg;*.opus;*.m4a;*.aac;*.flac;*.mp3|All files(*.*)|*.*</translation>
    </message>
    <message>
        <source>設定ファイルを保存できませんでした。<byte value="xd"/>
前回の設定ファイルはそのまま残り、今回変更した設定は失われます。<byte value="xd"/>
ファイル名  %1<byte value="xd"/>
理由  %2</source>
        <translation>The settings file could not be saved.<byte value="xd"/>
The previous settings file is left as it was; the settings changed this time are lost.<byte value="xd"/>
File  %1<byte value="xd"/>
Reason  %2</translation>
    </message>
    <message>
        <source>キャッシュフォルダー数が多すぎます。<byte value="xd"/>
コントロールパネルのインターネットオプションの全般タブからインターネット一時ファイルを削除して、<byte value="xd"/>
一時ファイルを整理する事をお勧めします。</source>
        <translation>There are too many cache folders.<byte value="xd"/>
It is best to delete the temporary Internet files (Internet Options, General tab, in the Control Panel)<byte value="xd"/>
and so tidy them up.</translation>
    </message>
    <message>
        <source>ここで画像読込を中止しますか？</source>
        <translation>Stop loading pictures now?</translation>
    </message>
    <message>
        <source>読み込みファイルは最大３００００ファイルです。<byte value="xd"/>
コントロールパネルのインターネットオプションの全般タブからインターネット一時ファイルを削除して、<byte value="xd"/>
一時ファイルを整理する事をお勧めします。</source>
        <translation>At most 30000 files can be loaded.<byte value="xd"/>
It is best to delete the temporary Internet files (Internet Options, General tab, in the Control Panel)<byte value="xd"/>
and so tidy them up.</translation>
    </message>
    <message>
        <source>画像ファイルがインターネットキャッシュフォルダーにありませんでした。<byte value="xd"/>
お好みのサイトに一度アクセスし、再度ZUDIを起動して下さい。</source>
        <translation>There are no pictures in the Internet cache folder.<byte value="xd"/>
Visit a site you like once, then start VELT again.</translation>
    </message>
    <message>
        <source>作業フォルダーを作成できないか、作業フォルダーに書き込みができません。<byte value="xd"/>
%1<byte value="xd"/>
フォルダーの場所と書き込みの権限を確認し、再度VELTを起動して下さい。</source>
        <translation>The work folder cannot be created, or cannot be written to.<byte value="xd"/>
%1<byte value="xd"/>
Check the folder&apos;s place and its write permission, then start VELT again.</translation>
    </message>
    <message>
        <source>作業フォルダーのディスクに空きがないため、%1個のファイルをコピーできませんでした。<byte value="xd"/>
ディスクの空き容量を増やしてから、再度VELTを起動して下さい。</source>
        <translation>The work folder&apos;s disk is full: %1 files could not be copied.<byte value="xd"/>
Free some disk space, then start VELT again.</translation>
    </message>
    <message>
        <source>ディスクの使用量の制限を超えたため、%1個のファイルを作業フォルダーにコピーできませんでした。<byte value="xd"/>
不要なファイルを削除してから、再度VELTを起動して下さい。</source>
        <translation>The disk quota is exceeded: %1 files could not be copied into the work folder.<byte value="xd"/>
Delete files you do not need, then start VELT again.</translation>
    </message>
    <message>
        <source>インターネットキャッシュフォルダーが取得できませんでした。</source>
        <translation>The Internet cache folder could not be found.</translation>
    </message>
    <message>
        <source>ＧＩＦファイルが現在の取得条件では、見つかりません。<byte value="xd"/>
検索条件を変更して再検索してみて下さい。</source>
        <translation>No GIF files match the current conditions.<byte value="xd"/>
Change the conditions and search again.</translation>
    </message>
    <message>
        <source>ブラウザが見つかりません。<byte value="xd"/>
Internet Explorer か Netscape をセットアップして下さい。</source>
        <translation>No browser was found.<byte value="xd"/>
Please set up Internet Explorer or Netscape.</translation>
    </message>
    <message>
        <source>Netscapeが見つかりません。<byte value="xd"/>
Netscape をセットアップして下さい。</source>
        <translation>Netscape was not found.<byte value="xd"/>
Please set up Netscape.</translation>
    </message>
    <message>
        <source>Internet Explorer が見つかりません。<byte value="xd"/>
Internet Explorer をセットアップして下さい。</source>
        <translation>Internet Explorer was not found.<byte value="xd"/>
Please set up Internet Explorer.</translation>
    </message>
    <message>
        <source>広告ファイル一覧を書き込めませんでした。</source>
        <translation>The list of ad files could not be written.</translation>
    </message>
    <message>
        <source>&lt;title&gt;VELT 広告ファイル一覧 </source>
        <translation>&lt;title&gt;VELT ad files </translation>
    </message>
    <message>
        <source>GIF総数 </source>
        <translation>GIFs </translation>
    </message>
    <message>
        <source>画像番号を入力して下さい。</source>
        <translation>Enter a picture number.</translation>
    </message>
    <message>
        <source>入力した画像番号はありません。</source>
        <translation>There is no picture with that number.</translation>
    </message>
    <message>
        <source>最大値と最小値の値を見直してください。</source>
        <translation>Please check the maximum and minimum values.</translation>
    </message>
    <message>
        <source>日付の値をもう一度確認してください。</source>
        <translation>Please check the date again.</translation>
    </message>
    <message>
        <source>この条件での画像ファイルがインターネットキャッシュフォルダーにありませんでした。<byte value="xd"/>
お好みのサイトに一度アクセスし、再度ZUDIを起動して下さい。</source>
        <translation>There are no pictures under these conditions in the Internet cache folder.<byte value="xd"/>
Visit a site you like once, then start VELT again.</translation>
    </message>
    <message>
        <source>&lt;Gifフォーマット&gt; 画像データが不正ですので読み込みを中止します。</source>
        <translation>&lt;GIF format&gt; The picture data is damaged; loading is stopped.</translation>
    </message>
    <message>
        <source>&lt;Jpegフォーマット&gt; 画像データが不正ですので読み込みを中止します。</source>
        <translation>&lt;JPEG format&gt; The picture data is damaged; loading is stopped.</translation>
    </message>
    <message>
        <source>&lt;Bmpフォーマット&gt; 画像データが不正ですので読み込みを中止します。</source>
        <translation>&lt;BMP format&gt; The picture data is damaged; loading is stopped.</translation>
    </message>
    <message>
        <source>&lt;不明フォーマット&gt; 画像データが不正ですので読み込みを中止します。</source>
        <translation>&lt;Unknown format&gt; The picture data is damaged; loading is stopped.</translation>
    </message>
    <message>
        <source>&lt;%1フォーマット&gt; 画像データが不正ですので読み込みを中止します。</source>
        <translation>&lt;%1 format&gt; The picture data is damaged; loading is stopped.</translation>
    </message>
    <message>
        <source>この画像データをロード中に、他のサイトに移動したか中止したと思われます。</source>
        <translation>The browser probably left the page or stopped while this picture was loading.</translation>
    </message>
    <message>
        <source>ファイル名  </source>
        <translation>File  </translation>
    </message>
    <message>
        <source>日時&#x3000;&#x3000;&#x3000;  </source>
        <translation>Time  </translation>
    </message>
    <message>
        <source>この製品の作業フォルダーにアクセスされて作業フォルダーの処理ができません。</source>
        <translation>The work folder is in use elsewhere, so it cannot be prepared.</translation>
    </message>
    <message>
        <source>ＧＩＦファイルはZUDIでは表示できません。<byte value="xd"/>
専用の表示アプリケーションをお使いください。</source>
        <translation>VELT cannot show GIF files.<byte value="xd"/>
Please use a program made for them.</translation>
    </message>
    <message>
        <source>現在このファイルは対応していません。</source>
        <translation>This file is not supported.</translation>
    </message>
    <message>
        <source>リアルプレイヤーがセットアップされていないか呼び出し無効のようです。<byte value="xd"/>
リアルプレイヤーをセットアップしますと、呼び出しで再生する事ができます。<byte value="xd"/>
現在は、ファイルを送る事だけが可能です。</source>
        <translation>RealPlayer seems not to be set up, or calling it is turned off.<byte value="xd"/>
With RealPlayer set up, VELT can call it to play the file.<byte value="xd"/>
For now, the file can only be sent.</translation>
    </message>
    <message>
        <source>クイックタイムプレイヤーがセットアップされていないか呼び出し無効のようです。<byte value="xd"/>
クイックタイムプレイヤーをセットアップしますと、呼び出して再生する事ができます。<byte value="xd"/>
現在は、ファイルを送る事だけが可能です。</source>
        <translation>QuickTime Player seems not to be set up, or calling it is turned off.<byte value="xd"/>
With QuickTime Player set up, VELT can call it to play the file.<byte value="xd"/>
For now, the file can only be sent.</translation>
    </message>
    <message>
        <source>このファイルはメディアプレイヤーでは再生できません。<byte value="xd"/>
専用のアプリケーションで再生して下さい。<byte value="xd"/>
現在は、ファイルを送る事だけが可能です。</source>
        <translation>The media player cannot play this file.<byte value="xd"/>
Please play it with a program made for it.<byte value="xd"/>
For now, the file can only be sent.</translation>
    </message>
    <message>
        <source>コピーに失敗しました。（コピー先のフォルダーが無いか、書きこみ禁止です。）</source>
        <translation>The copy failed. (The destination folder is missing or read-only.)</translation>
    </message>
    <message>
        <source>この製品の作業フォルダーの為、設定できません。</source>
        <translation>This is VELT&apos;s work folder, so it cannot be chosen.</translation>
    </message>
    <message>
        <source>拡張子は変更できませんので入力しないで下さい。</source>
        <translation>The extension cannot be changed; please leave it out.</translation>
    </message>
    <message>
        <source>新しいファイル名を入力して下さい。<byte value="xd"/>
（拡張子は入力しないで下さい。）</source>
        <translation>Enter the new file name.<byte value="xd"/>
(Leave out the extension.)</translation>
    </message>
    <message>
        <source>名前の変更</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>動画・音楽ファイル </source>
        <translation>Movie/music file </translation>
    </message>
    <message>
        <source>画像ファイル </source>
        <translation>Picture file </translation>
    </message>
    <message>
        <source> をコピーしました.</source>
        <translation> copied.</translation>
    </message>
    <message>
        <source> を </source>
        <translation> copied as </translation>
    </message>
    <message>
        <source> に変更してコピーしました.</source>
        <translation>.</translation>
    </message>
    <message>
        <source>ファイル名を作成できなかったため、%1個のファイルを作業フォルダーにコピーできませんでした。</source>
        <translation>%1 files could not be copied to the working folder because their names could not be created.</translation>
    </message>
    <message>
        <source>展開後の大きさまたは処理時間が上限を超えたため、%1個のキャッシュ項目を読み飛ばしました。</source>
        <translation>%1 cache entries were skipped because their decoded size or processing time passed the limit.</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>画像</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>動画</source>
        <translation>Movie</translation>
    </message>
    <message>
        <source>音声</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>問題なし</source>
        <translation>Whole</translation>
    </message>
    <message>
        <source>途中で切れている</source>
        <translation>cut short</translation>
    </message>
    <message>
        <source>追跡ピクセル</source>
        <translation>tracking pixel</translation>
    </message>
    <message>
        <source>広告サイズ</source>
        <translation>advert size</translation>
    </message>
    <message>
        <source>VELT レポート</source>
        <translation>VELT report</translation>
    </message>
    <message>
        <source>作成: %1</source>
        <translation>Written: %1</translation>
    </message>
    <message>
        <source>%1 件 (画像 %2、GIF %3、動画 %4、音声 %5)。壊れているもの %6、追跡ピクセル %7、広告サイズ %8。</source>
        <translation>%1 items (pictures %2, GIFs %3, movies %4, sounds %5). Damaged %6, tracking pixels %7, advert sizes %8.</translation>
    </message>
    <message>
        <source>読んだ場所:</source>
        <translation>Sources read:</translation>
    </message>
    <message>
        <source>絞り込み</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>まとめ方</source>
        <translation>Group by</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>サイト</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>表示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>すべて</source>
        <translation>All</translation>
    </message>
    <message>
        <source>壊れているもの</source>
        <translation>Damaged</translation>
    </message>
    <message>
        <source>表示中:</source>
        <translation>Shown:</translation>
    </message>
    <message>
        <source>番号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>大きさ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>バイト数</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>アドレス</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>結果</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>印</source>
        <translation>Marks</translation>
    </message>
    <message>
        <source>前へ</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>次へ</source>
        <translation>Next</translation>
    </message>
</context>
<context>
    <name>Source</name>
    <message>
        <source>アドレス: %1</source>
        <translation>Address: %1</translation>
    </message>
    <message>
        <source>サイト: %1</source>
        <translation>Site: %1</translation>
    </message>
    <message>
        <source>表示したページのサイト: %1</source>
        <translation>Shown on: %1</translation>
    </message>
    <message>
        <source>取得日時: %1</source>
        <translation>Fetched: %1</translation>
    </message>
</context>
<context>
    <name>velt::FrmAbout</name>
    <message>
        <source>VELT バージョン情報</source>
        <translation>About VELT</translation>
    </message>
    <message>
        <source>ホームページ</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>ホームページを呼び出します</source>
        <translation>Opens the home page</translation>
    </message>
    <message>
        <source>バージョン情報を終了します。</source>
        <translation>Closes this window.</translation>
    </message>
    <message>
        <source>取得オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>取得オプションを設定します</source>
        <translation>Sets the collection options</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ヘルプ画面を表示します。</source>
        <translation>Shows the help.</translation>
    </message>
</context>
<context>
    <name>velt::FrmHelp</name>
    <message>
        <source>VELTのヘルプ</source>
        <translation>VELT Help</translation>
    </message>
</context>
<context>
    <name>velt::FrmModeChange</name>
    <message>
        <source>アルバムモードに切り替えています。お待ち下さい。</source>
        <translation>Switching to album mode. Please wait.</translation>
    </message>
</context>
<context>
    <name>velt::FrmNo</name>
    <message>
        <source>画像ファイル一覧表示</source>
        <translation>Picture list</translation>
    </message>
    <message>
        <source>ﾀﾞﾌﾞﾙｸﾘｯｸまたはＥｎｔｅｒで画像表示</source>
        <translation>Double-click or press Enter to show a picture</translation>
    </message>
    <message>
        <source>頭文字を入力すると、その文字のグループの先頭へジャンプします。</source>
        <translation>Type a first letter to jump to the first name starting with it.</translation>
    </message>
    <message>
        <source>番号表示</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>番号で画像を呼び出します</source>
        <translation>Shows a picture by its number</translation>
    </message>
    <message>
        <source>画像一覧</source>
        <translation>Thumbnails</translation>
    </message>
    <message>
        <source>１０画像単位で表示します</source>
        <translation>Shows the pictures ten at a time</translation>
    </message>
    <message>
        <source>取得オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>画像の取得条件を設定して読み込みます</source>
        <translation>Sets what to collect and reloads</translation>
    </message>
    <message>
        <source>広告一覧</source>
        <translation>Ad list</translation>
    </message>
    <message>
        <source>GIFファイルの表示</source>
        <translation>Shows the GIF files</translation>
    </message>
</context>
<context>
    <name>velt::FrmOption</name>
    <message>
        <source>取得オプション設定</source>
        <translation>Collection Options</translation>
    </message>
    <message>
        <source>起動時の画像の読込条件</source>
        <translation>At start-up</translation>
    </message>
    <message>
        <source> 起動時にキャッシュフォルダーから画像を取得しない</source>
        <translation> Do not load pictures at start-up</translation>
    </message>
    <message>
        <source>この設定をチェックすると起動時に画像を読み込みません</source>
        <translation>When checked, no pictures are loaded at start-up</translation>
    </message>
    <message>
        <source>画像読込条件</source>
        <translation>Pictures to load</translation>
    </message>
    <message>
        <source> 条件なし&#x3000;（全て読み込む）</source>
        <translation> No conditions (load all)</translation>
    </message>
    <message>
        <source>キャッシュフォルダー内全てを読み込みます</source>
        <translation>Loads everything in the cache folders</translation>
    </message>
    <message>
        <source> 最小値設定以下の画像サイズは読み込まない</source>
        <translation> Skip pictures smaller than the minimum</translation>
    </message>
    <message>
        <source>最小値設定以下の画像ファイルを取得しないようにします</source>
        <translation>Pictures smaller than the minimum are not collected</translation>
    </message>
    <message>
        <source>最小値</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>画像サイズ最小値をバイト数で設定します</source>
        <translation>Smallest picture size to load, in bytes</translation>
    </message>
    <message>
        <source>バイト</source>
        <translation>bytes</translation>
    </message>
    <message>
        <source> 最大値設定以上の画像サイズは読み込まない</source>
        <translation> Skip pictures larger than the maximum</translation>
    </message>
    <message>
        <source>最大値設定以上の画像ファイルを取得しないようにします</source>
        <translation>Pictures larger than the maximum are not collected</translation>
    </message>
    <message>
        <source>最大値</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>画像サイズ最大値をバイト数で設定します</source>
        <translation>Largest picture size to load, in bytes</translation>
    </message>
    <message>
        <source> 今日ダウンロードした日付の中から読み込む</source>
        <translation> Only pictures downloaded today</translation>
    </message>
    <message>
        <source>今日ダウンロードした画像だけが取得の対象になります</source>
        <translation>Only pictures downloaded today are collected</translation>
    </message>
    <message>
        <source> 設定した日付しか取得しない</source>
        <translation> Only pictures of this date</translation>
    </message>
    <message>
        <source>設定した日付のみ取得するようにします</source>
        <translation>Only pictures of the given date are collected</translation>
    </message>
    <message>
        <source>取得対象の日付を入力します</source>
        <translation>Enter the date to collect</translation>
    </message>
    <message>
        <source>日付の記入例&#x3000;１９９９年１月１日の場合 1999/01/01</source>
        <translation>Date format: 1 January 1999 is 1999/01/01</translation>
    </message>
    <message>
        <source>ソート方法</source>
        <translation>Sort order</translation>
    </message>
    <message>
        <source> 時間で行う  （標準はアルファベット順）</source>
        <translation> By time (alphabetical by default)</translation>
    </message>
    <message>
        <source>ファイルの並べ替えをします。ＡＢＣ順か時間順</source>
        <translation>Sorts the files, alphabetically or by time</translation>
    </message>
    <message>
        <source>広告ファイルのブラウザを選択</source>
        <translation>Browser for the ad list</translation>
    </message>
    <message>
        <source>Netscapeを使用する （チェックなしでＩＥ）</source>
        <translation>Use Netscape (unchecked: IE)</translation>
    </message>
    <message>
        <source>広告一覧表示で使用するブラウザを選択します</source>
        <translation>Chooses the browser that shows the ad list</translation>
    </message>
    <message>
        <source>他のPlayerの呼び出し禁止</source>
        <translation>Do not call other players</translation>
    </message>
    <message>
        <source>RealPlayerを呼び出さない</source>
        <translation>Do not call RealPlayer</translation>
    </message>
    <message>
        <source>メディアプレイヤーで再生できない場合でも、リアルプレイヤーを呼び出しません</source>
        <translation>Never calls RealPlayer, even when the media player cannot play a file</translation>
    </message>
    <message>
        <source>QuickTimePlayerを呼び出さない</source>
        <translation>Do not call QuickTime Player</translation>
    </message>
    <message>
        <source>メディアプレイヤーで再生できない場合でも、クイックタイムプレイヤーを呼び出しません</source>
        <translation>Never calls QuickTime Player, even when the media player cannot play a file</translation>
    </message>
    <message>
        <source>上記の条件で再読み込み</source>
        <translation>Save and Reload</translation>
    </message>
    <message>
        <source>変更内容を更新して再読み込みします</source>
        <translation>Saves the changes and reloads</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>変更内容を更新して終了します</source>
        <translation>Saves the changes and closes</translation>
    </message>
    <message>
        <source>無効</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>変更内容を無効にして終了します</source>
        <translation>Discards the changes and closes</translation>
    </message>
</context>
<context>
    <name>velt::FrmPhotoAlubum</name>
    <message>
        <source>アルバムモードは、任意の画像格納フォルダーを選択し、観覧するためのものです。一度アルバムモードにすると、本製品を一度終了しないと、インターネット画像を見ることが出来なくなります。気に入ったインターネット画像を全てコピーしてから確認の為に、アルバムモードで確認するようにして下さい。</source>
        <translation>Album mode shows the pictures of any folder you choose. Once in album mode, Internet pictures cannot be shown until VELT is closed. Copy every Internet picture you want to keep first, then use album mode to look at them.</translation>
    </message>
    <message>
        <source>アルバムモードのフォルダー選択</source>
        <translation>Choose the Album Folder</translation>
    </message>
    <message>
        <source>ＯＫ</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>velt::FrmPicture</name>
    <message>
        <source>編集アプリケション関連付け</source>
        <translation>Choose the Editing Program</translation>
    </message>
    <message>
        <source>実行ファイル(*.exe)|*.exe</source>
        <translation>Programs(*.exe)|*.exe</translation>
    </message>
    <message>
        <source>実行ファイル(*.exe)|*.exe|全てのファイル(*.*)|*</source>
        <translation>Programs(*.exe)|*.exe|All files(*.*)|*</translation>
    </message>
    <message>
        <source>画像を隠します。</source>
        <translation>Hides the picture.</translation>
    </message>
    <message>
        <source>関連付け</source>
        <translation>Editor</translation>
    </message>
    <message>
        <source>編集する他の製品名を設定します。</source>
        <translation>Chooses the program that edits pictures.</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>この画像を編集します。</source>
        <translation>Edits this picture.</translation>
    </message>
    <message>
        <source>アルバム</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>アルバムモード変更</source>
        <translation>Switches to album mode</translation>
    </message>
    <message>
        <source>編集する為のアプリケーションを関連付けで、設定してください。</source>
        <translation>Choose the editing program with the Editor button first.</translation>
    </message>
</context>
<context>
    <name>velt::FrmSend</name>
    <message>
        <source>指定フォルダーへファイルのコピー</source>
        <translation>Copy Files to a Folder</translation>
    </message>
    <message>
        <source>コピー先ドライブを変更します。</source>
        <translation>Changes the destination drive.</translation>
    </message>
    <message>
        <source>コピー先フォルダーを変更します。</source>
        <translation>Changes the destination folder.</translation>
    </message>
    <message>
        <source>現在のコピー先です。</source>
        <translation>The current destination.</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>そのままの名前でコピーします。</source>
        <translation>Copies under the same name.</translation>
    </message>
    <message>
        <source>名前変更コピー</source>
        <translation>Copy As...</translation>
    </message>
    <message>
        <source>名前を変更してコピーします。</source>
        <translation>Copies under a new name.</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>コピーを中止します。</source>
        <translation>Cancels the copy.</translation>
    </message>
    <message>
        <source>指定ﾌｫﾙﾀﾞ-登録</source>
        <translation>Save Folder</translation>
    </message>
    <message>
        <source>現在選択されているフォルダーをコピー先として登録します。</source>
        <translation>Saves the selected folder as the destination.</translation>
    </message>
</context>
<context>
    <name>velt::FrmSplash</name>
    <message>
        <source>読み込んでいる状態を表示しています。</source>
        <translation>Shows the loading progress.</translation>
    </message>
    <message>
        <source>読込中止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>velt::FrmView</name>
    <message>
        <source>インターネット一時ファイルの読み込み</source>
        <translation>Open a Temporary Internet File</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>動画・画像ファイルの読み込み</source>
        <translation>Opens a movie or picture file</translation>
    </message>
    <message>
        <source>１倍</source>
        <translation>1x</translation>
    </message>
    <message>
        <source>動画サイズ１倍</source>
        <translation>Movie at actual size</translation>
    </message>
    <message>
        <source>標準</source>
        <translation>Std</translation>
    </message>
    <message>
        <source>動画サイズ標準</source>
        <translation>Movie at standard size</translation>
    </message>
    <message>
        <source>SPEED ×1</source>
        <translation>SPEED ×1</translation>
    </message>
    <message>
        <source>動画スピード１倍</source>
        <translation>Movie at normal speed</translation>
    </message>
    <message>
        <source>SPEED&#x3000;&#x3000;&#x3000;UP</source>
        <translation>SPEED UP</translation>
    </message>
    <message>
        <source>動画スピードアップ(Max6倍)</source>
        <translation>Movie faster (up to 6x)</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>動画や画像の消去</source>
        <translation>Clears the movie or picture</translation>
    </message>
    <message>
        <source>２倍</source>
        <translation>2x</translation>
    </message>
    <message>
        <source>動画サイズ２倍</source>
        <translation>Movie at double size</translation>
    </message>
    <message>
        <source>動画サイズ１／２スクリーンモード</source>
        <translation>Movie at half the screen</translation>
    </message>
    <message>
        <source>動画スピード０．０５倍</source>
        <translation>Movie at 0.05x speed</translation>
    </message>
    <message>
        <source>動画スピードダウン(Min0.1倍)</source>
        <translation>Movie slower (down to 0.1x)</translation>
    </message>
    <message>
        <source>インターネット画像[前]</source>
        <translation>Previous Internet picture</translation>
    </message>
    <message>
        <source>インターネット画像[次]</source>
        <translation>Next Internet picture</translation>
    </message>
    <message>
        <source>一覧</source>
        <translation>List</translation>
    </message>
    <message>
        <source>一覧で検索します</source>
        <translation>Finds pictures in a list</translation>
    </message>
    <message>
        <source>送る</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>表示中の動画・画像を指定場所にコピーします</source>
        <translation>Copies the shown movie or picture to a folder</translation>
    </message>
    <message>
        <source>バージョン情報・画像取得オプションの設定</source>
        <translation>About and collection options</translation>
    </message>
    <message>
        <source>表示画像番号</source>
        <translation>Number of the shown picture</translation>
    </message>
    <message>
        <source>：</source>
        <translation>:</translation>
    </message>
    <message>
        <source>インターネット一時ファイル画像総数</source>
        <translation>Number of pictures in the temporary Internet files</translation>
    </message>
    <message>
        <source>動画スピード倍率</source>
        <translation>Movie speed</translation>
    </message>
    <message>
        <source>倍</source>
        <translation>x</translation>
    </message>
</context>
<context>
    <name>velt::FrmViewAlbum</name>
    <message>
        <source>画像一覧表示</source>
        <translation>Thumbnails</translation>
    </message>
</context>
<context>
    <name>velt::QtMediaPlayer</name>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>再生位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
</context>
</TS>

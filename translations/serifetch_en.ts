<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ClientSettings</name>
    <message>
        <source>The %1 in serifech.ini holds %2; nothing was fetched.</source>
        <translation>The %1 in serifech.ini holds %2; nothing was fetched.</translation>
    </message>
</context>
<context>
    <name>DownloadClient</name>
    <message>
        <source>The server refused the request</source>
        <translation>The server refused the request</translation>
    </message>
    <message>
        <source>The request ended without an outcome</source>
        <translation>The request ended without an outcome</translation>
    </message>
</context>
<context>
    <name>DownloadRun</name>
    <message>
        <source>登録されていません</source>
        <translation>No jobs are listed</translation>
    </message>
    <message>
        <source>登録されていたすべてのダウンロード完了</source>
        <translation>All listed downloads are complete</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>The request ended without an outcome</source>
        <translation>The request ended without an outcome</translation>
    </message>
</context>
<context>
    <name>JobGrid</name>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Path</translation>
    </message>
</context>
<context>
    <name>JobPolicy</name>
    <message>
        <source>Host lookup failed for now: %1</source>
        <translation>Host lookup failed for now: %1</translation>
    </message>
    <message>
        <source>Host not found: %1</source>
        <translation>Host not found: %1</translation>
    </message>
    <message>
        <source>Timed out looking up %1</source>
        <translation>Timed out looking up %1</translation>
    </message>
    <message>
        <source>Timed out connecting to %1</source>
        <translation>Timed out connecting to %1</translation>
    </message>
    <message>
        <source>Connection refused by %1</source>
        <translation>Connection refused by %1</translation>
    </message>
    <message>
        <source>No route to host %1</source>
        <translation>No route to host %1</translation>
    </message>
    <message>
        <source>Network unreachable for %1</source>
        <translation>Network unreachable for %1</translation>
    </message>
    <message>
        <source>Could not connect to %1 (%2)</source>
        <translation>Could not connect to %1 (%2)</translation>
    </message>
    <message>
        <source>not tried: %1 refused %2 connections</source>
        <translation>not tried: %1 refused %2 connections</translation>
    </message>
    <message>
        <source>not tried: %1 failed %2 connection tries</source>
        <translation>not tried: %1 failed %2 connection tries</translation>
    </message>
    <message>
        <source>Refused: the path goes up a folder with ".."</source>
        <translation>Refused: the path goes up a folder with ".."</translation>
    </message>
    <message>
        <source>Refused: the path leads into the hidden "%1"</source>
        <translation>Refused: the path leads into the hidden "%1"</translation>
    </message>
</context>
<context>
    <name>ListCommands</name>
    <message>
        <source>The save folder does not exist:
%1

Create it and start?</source>
        <translation>The save folder does not exist:
%1

Create it and start?</translation>
    </message>
    <message>
        <source>
... and %1 more</source>
        <translation>
... and %1 more</translation>
    </message>
    <message>
        <source>%1 job(s) would save outside their folder ("..") or into hidden files or folders, where a shared job list could put anything, such as ~/.bashrc:
%2

Fetch them anyway? (No: they fail, and the other jobs are fetched.)</source>
        <translation>%1 job(s) would save outside their folder ("..") or into hidden files or folders, where a shared job list could put anything, such as ~/.bashrc:
%2

Fetch them anyway? (No: they fail, and the other jobs are fetched.)</translation>
    </message>
</context>
<context>
    <name>ListEdits</name>
    <message>
        <source>The folder %1 could not be created; nothing was fetched.</source>
        <translation>The folder %1 could not be created; nothing was fetched.</translation>
    </message>
    <message>
        <source>The list holds %1 job(s) not yet done.

Clear the list anyway? (Ctrl+Z undoes it)</source>
        <translation>The list holds %1 job(s) not yet done.

Clear the list anyway? (Ctrl+Z undoes it)</translation>
    </message>
    <message>
        <source>%1 of the new jobs save to a path that another job has already (%2): they are fetched one after another, and the last one's file stays.</source>
        <translation>%1 of the new jobs save to a path that another job has already (%2): they are fetched one after another, and the last one's file stays.</translation>
    </message>
    <message>
        <source>no reason</source>
        <translation>no reason</translation>
    </message>
    <message>
        <source>%1 not tried</source>
        <translation>%1 not tried</translation>
    </message>
</context>
<context>
    <name>MainWindowControls</name>
    <message>
        <source>edit</source>
        <translation>edit</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Filename</translation>
    </message>
    <message>
        <source>先頭部</source>
        <translation>Head</translation>
    </message>
    <message>
        <source>数字桁数</source>
        <translation>Digits</translation>
    </message>
    <message>
        <source>開始番号</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>終了番号</source>
        <translation>End</translation>
    </message>
    <message>
        <source>後部</source>
        <translation>Tail</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>SaveDir</source>
        <translation>SaveDir</translation>
    </message>
    <message>
        <source>同一ファイル名はスキップ</source>
        <translation>Skip existing files</translation>
    </message>
    <message>
        <source>KByte以下はリトライ</source>
        <translation>KB or less: fetch again</translation>
    </message>
    <message>
        <source>List Up</source>
        <translation>List Up</translation>
    </message>
    <message>
        <source>Go!</source>
        <translation>Go!</translation>
    </message>
    <message>
        <source>Stop!</source>
        <translation>Stop!</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Proxy</source>
        <translation>Proxy</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>About Serifetch</source>
        <translation>About Serifetch</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>Bytes：</source>
        <translation>Bytes:</translation>
    </message>
    <message>
        <source>選択：1</source>
        <translation>Selected: 1</translation>
    </message>
    <message>
        <source>全：</source>
        <translation>Total:</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Retry all failed (▼, ×)</source>
        <translation>Retry all failed (▼, ×)</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>Copy URL</source>
        <translation>Copy URL</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Undo</translation>
    </message>
</context>
<context>
    <name>ProfileSession</name>
    <message>
        <source>%1 was not saved, so that what it holds is not lost: it could not be read when the program started.</source>
        <translation>%1 was not saved, so that what it holds is not lost: it could not be read when the program started.</translation>
    </message>
    <message>
        <source>process %1</source>
        <translation>process %1</translation>
    </message>
    <message>
        <source>another process</source>
        <translation>another process</translation>
    </message>
    <message>
        <source>the profile folder %1 is in use by %2</source>
        <translation>the profile folder %1 is in use by %2</translation>
    </message>
    <message>
        <source>%1 holds %2 job(s) after an empty row that were not loaded. Saving the list writes over them.

Save the list anyway?</source>
        <translation>%1 holds %2 job(s) after an empty row that were not loaded. Saving the list writes over them.

Save the list anyway?</translation>
    </message>
    <message>
        <source>The job list was not saved; %1 keeps the jobs that were not loaded.</source>
        <translation>The job list was not saved; %1 keeps the jobs that were not loaded.</translation>
    </message>
</context>
<context>
    <name>ResultCheck</name>
    <message>
        <source>No file was saved</source>
        <translation>No file was saved</translation>
    </message>
    <message>
        <source>The saved file is empty</source>
        <translation>The saved file is empty</translation>
    </message>
    <message>
        <source>Too small: %1 bytes, the limit is %2 KB</source>
        <translation>Too small: %1 bytes, the limit is %2 KB</translation>
    </message>
</context>
<context>
    <name>RunOverview</name>
    <message>
        <source>job %1 of %2</source>
        <translation>job %1 of %2</translation>
    </message>
    <message>
        <source>%1 done, %2 failed</source>
        <translation>%1 done, %2 failed</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>%1 left</translation>
    </message>
</context>
<context>
    <name>RunPanels</name>
    <message>
        <source>ダウンロード中：%1</source>
        <translation>Downloading: %1</translation>
    </message>
    <message>
        <source>リクエスト中</source>
        <translation>Requesting</translation>
    </message>
    <message>
        <source>転送開始</source>
        <translation>Transfer started</translation>
    </message>
    <message>
        <source>中断処理中：%1</source>
        <translation>Stopping: %1</translation>
    </message>
    <message>
        <source>中断しました</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>完了：</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>waiting for host (Retry-After %1 s)</source>
        <translation>waiting for host (Retry-After %1 s)</translation>
    </message>
    <message>
        <source>waiting for host (back-off %1 s)</source>
        <translation>waiting for host (back-off %1 s)</translation>
    </message>
    <message>
        <source>Bytes：%1</source>
        <translation>Bytes: %1</translation>
    </message>
    <message>
        <source>Bytes：%1 / %2 (%3%)</source>
        <translation>Bytes: %1 / %2 (%3%)</translation>
    </message>
</context>
<context>
    <name>RunPresenter</name>
    <message>
        <source>%1  %2  row %3  %4: %5</source>
        <translation>%1  %2  row %3  %4: %5</translation>
    </message>
    <message>
        <source>  —  list: %1</source>
        <translation>  —  list: %1</translation>
    </message>
    <message>
        <source>── %1  Go! (the lines above are from the previous run) ──</source>
        <translation>── %1  Go! (the lines above are from the previous run) ──</translation>
    </message>
    <message>
        <source>Ended %1</source>
        <translation>Ended %1</translation>
    </message>
</context>
<context>
    <name>Series</name>
    <message>
        <source>開始番号「%1」は整数として読めません（-2147483648～2147483647）。</source>
        <translation>Start “%1” is not a whole number (-2147483648 to 2147483647).</translation>
    </message>
    <message>
        <source>終了番号「%1」は整数として読めません（-2147483648～2147483647）。</source>
        <translation>End “%1” is not a whole number (-2147483648 to 2147483647).</translation>
    </message>
    <message>
        <source>数字桁数 %1 は大きすぎます（%2 桁まで）。</source>
        <translation>%1 digits are too many (at most %2).</translation>
    </message>
    <message>
        <source>%1 から %2 までの %3 件は多すぎます（一度に %4 件まで）。</source>
        <translation>%3 jobs from %1 to %2 are too many (at most %4 at a time).</translation>
    </message>
    <message>
        <source>%1 件を加えるとリストが上限の %2 件を超えます。</source>
        <translation>Adding %1 jobs would take the list past its limit of %2.</translation>
    </message>
</context>
<context>
    <name>SeriesInputs</name>
    <message>
        <source>No "/" at the end: the file names are glued on, as in "…%1".</source>
        <translation>No "/" at the end: the file names are glued on, as in "…%1".</translation>
    </message>
    <message>
        <source>This is the URL of one file. Split it into the series inputs?

URL: %1
先頭部: %2
数字桁数: %3
開始番号: %4
後部: %5</source>
        <translation>This is the URL of one file. Split it into the series inputs?

URL: %1
Head: %2
Digits: %3
Start: %4
Tail: %5</translation>
    </message>
</context>
<context>
    <name>SeriesProbe</name>
    <message>
        <source>no reason given</source>
        <translation>no reason given</translation>
    </message>
    <message>
        <source>Asking for %1 failed: %2</source>
        <translation>Asking for %1 failed: %2</translation>
    </message>
    <message>
        <source>The server has no file numbered %1 (%2)</source>
        <translation>The server has no file numbered %1 (%2)</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>全：%1</source>
        <translation>Total: %1</translation>
    </message>
    <message>
        <source>選択：%1</source>
        <translation>Selected: %1</translation>
    </message>
    <message>
        <source>選択：%1 ～ %2</source>
        <translation>Selected: %1 – %2</translation>
    </message>
    <message>
        <source>メモリが足りないため、リストアップできませんでした。</source>
        <translation>There was not enough memory to list up the jobs.</translation>
    </message>
    <message>
        <source>%1

%2

Fetch the failed jobs (▼, ×) again now?</source>
        <translation>%1

%2

Fetch the failed jobs (▼, ×) again now?</translation>
    </message>
</context>
<context>
    <name>UserPrompts</name>
    <message>
        <source>保存先フォルダ</source>
        <translation>Save folder</translation>
    </message>
</context>
<context>
    <name>WindowProfile</name>
    <message>
        <source>The job list was not saved: no profile was opened.</source>
        <translation>The job list was not saved: no profile was opened.</translation>
    </message>
</context>
</TS>

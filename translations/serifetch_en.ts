<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>BodyCapture</name>
    <message>
        <source>Connection closed after %1 of %2 bytes</source>
        <translation>Connection closed after %1 of %2 bytes</translation>
    </message>
    <message>
        <source>Connection closed before the end of the reply</source>
        <translation>Connection closed before the end of the reply</translation>
    </message>
    <message>
        <source>Connection closed inside a chunk after %1 bytes</source>
        <translation>Connection closed inside a chunk after %1 bytes</translation>
    </message>
    <message>
        <source>Malformed chunk size line: "%1"</source>
        <translation>Malformed chunk size line: "%1"</translation>
    </message>
    <message>
        <source>Chunk longer than its size line says</source>
        <translation>Chunk longer than its size line says</translation>
    </message>
    <message>
        <source>Reply trailer longer than %1 bytes</source>
        <translation>Reply trailer longer than %1 bytes</translation>
    </message>
</context>
<context>
    <name>ClearCommand</name>
    <message>
        <source>Removed %1 jobs; the list is empty.</source>
        <translation>Removed %1 jobs; the list is empty.</translation>
    </message>
</context>
<context>
    <name>CliArgs</name>
    <message>
        <source>%1 needs a value (%2)</source>
        <translation>%1 needs a value (%2)</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 takes no value</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>unknown option %1; did you mean --%2?</source>
        <translation>unknown option %1; did you mean --%2?</translation>
    </message>
    <message>
        <source>--misses needs a number from 1 to %1, not "%2"</source>
        <translation>--misses needs a number from 1 to %1, not "%2"</translation>
    </message>
</context>
<context>
    <name>CliCommand</name>
    <message>
        <source>Remove every job from the job list; downloaded files stay.</source>
        <translation>Remove every job from the job list; downloaded files stay.</translation>
    </message>
    <message>
        <source>  0    the list is empty
  2    bad arguments, or the job list cannot be written
</source>
        <translation>  0    the list is empty
  2    bad arguments, or the job list cannot be written
</translation>
    </message>
    <message>
        <source>  0    every job ended ○ or ▲
  1    some job did not
  2    bad arguments, a refused series, unusable files or folders
  130  stopped by Ctrl-C or SIGTERM
</source>
        <translation>  0    every job ended ○ or ▲
  1    some job did not
  2    bad arguments, a refused series, unusable files or folders
  130  stopped by Ctrl-C or SIGTERM
</translation>
    </message>
    <message>
        <source>Fetch one URL into a file and print the reply's status line.</source>
        <translation>Fetch one URL into a file and print the reply's status line.</translation>
    </message>
    <message>
        <source>  0    the server answered with success
  1    the server answered with a failure (nothing is saved to FILE)
  2    bad arguments, bad URL, network error, time-out
</source>
        <translation>  0    the server answered with success
  1    the server answered with a failure (nothing is saved to FILE)
  2    bad arguments, bad URL, network error, time-out
</translation>
    </message>
    <message>
        <source>Fetch the jobs of the job list one after another, as "Go!" does.</source>
        <translation>Fetch the jobs of the job list one after another, as "Go!" does.</translation>
    </message>
    <message>
        <source>Marks each job: ○ fetched, ▲ skipped (file existed), ▽ too small (removed),
▼ failed, × given up, ↓ in progress. Jobs marked ○, ▲, ▽ or ▼ are passed
over, so a second go resumes an interrupted list; --retry-failed fetches the
▼ and × jobs again. A refused or cut connection, a time-out or a 5xx reply
is tried again after a pause (--retries); a server that refused three
connections in a row has its other jobs left untried for the next go.
The options override the saved settings for this run only; without a proxy
here or in the settings, the environment's is taken, as for get. The list is
saved after finished jobs, at most once a second, and at the end. On a
terminal a progress line is redrawn in place; elsewhere one line is printed
per finished job. Ctrl-C stops after the current job, a second Ctrl-C aborts
it. The time-out may have a fraction (0.5), up to 3600 seconds.</source>
        <translation>Marks each job: ○ fetched, ▲ skipped (file existed), ▽ too small (removed),
▼ failed, × given up, ↓ in progress. Jobs marked ○, ▲, ▽ or ▼ are passed
over, so a second go resumes an interrupted list; --retry-failed fetches the
▼ and × jobs again. A refused or cut connection, a time-out or a 5xx reply
is tried again after a pause (--retries); a server that refused three
connections in a row has its other jobs left untried for the next go.
The options override the saved settings for this run only; without a proxy
here or in the settings, the environment's is taken, as for get. The list is
saved after finished jobs, at most once a second, and at the end. On a
terminal a progress line is redrawn in place; elsewhere one line is printed
per finished job. Ctrl-C stops after the current job, a second Ctrl-C aborts
it. The time-out may have a fraction (0.5), up to 3600 seconds.</translation>
    </message>
    <message>
        <source>  0    every job ended ○ or ▲
  1    some job did not, or the job list is empty
  2    bad arguments, unusable files or folders
  130  stopped by Ctrl-C or SIGTERM
</source>
        <translation>  0    every job ended ○ or ▲
  1    some job did not, or the job list is empty
  2    bad arguments, unusable files or folders
  130  stopped by Ctrl-C or SIGTERM
</translation>
    </message>
    <message>
        <source>Append one job per number of a series to the job list.</source>
        <translation>Append one job per number of a series to the job list.</translation>
    </message>
    <message>
        <source>  0    jobs were added
  1    nothing was added (the start number is after the end number)
  2    bad arguments, a refused series, unusable files or folders
</source>
        <translation>  0    jobs were added
  1    nothing was added (the start number is after the end number)
  2    bad arguments, a refused series, unusable files or folders
</translation>
    </message>
    <message>
        <source>Print the job list and the number of jobs per mark.</source>
        <translation>Print the job list and the number of jobs per mark.</translation>
    </message>
    <message>
        <source>  0    the list was printed
  2    bad arguments, or the job list cannot be read
</source>
        <translation>  0    the list was printed
  2    bad arguments, or the job list cannot be read
</translation>
    </message>
    <message>
        <source>List up a URL with [ranges] and {lists} and fetch it: list-up and go in one.</source>
        <translation>List up a URL with [ranges] and {lists} and fetch it: list-up and go in one.</translation>
    </message>
    <message>
        <source>Find the series one file belongs to: its padding, first and last number.</source>
        <translation>Find the series one file belongs to: its padding, first and last number.</translation>
    </message>
    <message>
        <source>Given the URL of one file of a series (http://host/gallery/img_07.jpg),
asks the server with HEAD requests (a GET of the first byte where HEAD is
refused) whether other numbers exist: which padding it writes (img_7,
img_07, img_007), and where the series starts and ends, by doubling the
step up from the number given, then halving it. Up to --misses missing
numbers in a row are a gap inside the series; that many end it. A 404,
a 410 and a web page for a name that promises no page count as missing.
The last line is the series as one fetch pattern
(http://host/gallery/img_[01-30].jpg). The job list and the settings are
not used.</source>
        <translation>Given the URL of one file of a series (http://host/gallery/img_07.jpg),
asks the server with HEAD requests (a GET of the first byte where HEAD is
refused) whether other numbers exist: which padding it writes (img_7,
img_07, img_007), and where the series starts and ends, by doubling the
step up from the number given, then halving it. Up to --misses missing
numbers in a row are a gap inside the series; that many end it. A 404,
a 410 and a web page for a name that promises no page count as missing.
The last line is the series as one fetch pattern
(http://host/gallery/img_[01-30].jpg). The job list and the settings are
not used.</translation>
    </message>
    <message>
        <source>  0    a series was found; its pattern is on the last line
  1    the file was not found, or the server failed a request
  2    bad arguments
</source>
        <translation>  0    a series was found; its pattern is on the last line
  1    the file was not found, or the server failed a request
  2    bad arguments
</translation>
    </message>
    <message>
        <source>A numeric range in the file name of URL, as curl writes it, gives the
series: pic[001-040].jpg is pic001.jpg to pic040.jpg (a first number with
leading zeros sets the width), pic[1-40:2].jpg every second number; it is
listed up as list-up would (the inputs stored, the base URL added to the
history). More is a pattern, as curl's globbing has it: ranges in folders
too and several of them (ch[01-10]/p[001-030].jpg: their product, the
leftmost outermost), letters (plate_[a-h].jpg), lists ({front,back}); the
innermost range may be left open (img_[001-].jpg): the run fetches on
until --misses numbers in a row are missing, and takes those misses off
the list (a miss that a later file follows stays a failed job). Each
file keeps the varying part of the path (ch01/p001.jpg, folders made as
needed), or is named by -o, where #1, #2 … stand for the values (-o
'#1-#2.jpg'). \[ and \{ stand for themselves. A URL without a range is
one job. Jobs the list holds already are not added again; then go runs
over the whole list with the options given, so running the same fetch
again resumes it. Quote the URL, so that the shell leaves the brackets
alone.</source>
        <translation>A numeric range in the file name of URL, as curl writes it, gives the
series: pic[001-040].jpg is pic001.jpg to pic040.jpg (a first number with
leading zeros sets the width), pic[1-40:2].jpg every second number; it is
listed up as list-up would (the inputs stored, the base URL added to the
history). More is a pattern, as curl's globbing has it: ranges in folders
too and several of them (ch[01-10]/p[001-030].jpg: their product, the
leftmost outermost), letters (plate_[a-h].jpg), lists ({front,back}); the
innermost range may be left open (img_[001-].jpg): the run fetches on
until --misses numbers in a row are missing, and takes those misses off
the list (a miss that a later file follows stays a failed job). Each
file keeps the varying part of the path (ch01/p001.jpg, folders made as
needed), or is named by -o, where #1, #2 … stand for the values (-o
'#1-#2.jpg'). \[ and \{ stand for themselves. A URL without a range is
one job. Jobs the list holds already are not added again; then go runs
over the whole list with the options given, so running the same fetch
again resumes it. Quote the URL, so that the shell leaves the brackets
alone.</translation>
    </message>
    <message>
        <source>Appends one job per number from start to end: URL = BASE + name, file =
DIR + name, name = head + number padded to N digits + tail. Each option
defaults to the saved input (the URL to the first of the URL history);
given options are saved, and BASE is added to the history. Start and end
keep only their digits. DIR is made when missing and kept as a full path
ending in "/". --end open lists the first number and keeps the series
with the list: go lists the others as files are found, until --misses
numbers in a row are missing. Prints the first and last name and the count
added.</source>
        <translation>Appends one job per number from start to end: URL = BASE + name, file =
DIR + name, name = head + number padded to N digits + tail. Each option
defaults to the saved input (the URL to the first of the URL history);
given options are saved, and BASE is added to the history. Start and end
keep only their digits. DIR is made when missing and kept as a full path
ending in "/". --end open lists the first number and keeps the series
with the list: go lists the others as files are found, until --misses
numbers in a row are missing. Prints the first and last name and the count
added.</translation>
    </message>
    <message>
        <source>One job per line: row, mark, URL and file, separated by tabs (the mark is
empty for a job never tried), and for a job that failed, why; then the
number of jobs per mark, and each series whose end go is still to find.
Reads the list as last saved even while it is in use.</source>
        <translation>One job per line: row, mark, URL and file, separated by tabs (the mark is
empty for a job never tried), and for a job that failed, why; then the
number of jobs per mark, and each series whose end go is still to find.
Reads the list as last saved even while it is in use.</translation>
    </message>
    <message>
        <source>Fetches URL over HTTP or HTTPS into FILE (with -O: the URL's last path
segment, in this folder), following redirects, and prints the
reply's status line (on standard error when the body goes to standard
output). The job list and the settings are not used. The time-out may
have a fraction (0.5), up to 3600 seconds.</source>
        <translation>Fetches URL over HTTP or HTTPS into FILE (with -O: the URL's last path
segment, in this folder), following redirects, and prints the
reply's status line (on standard error when the body goes to standard
output). The job list and the settings are not used. The time-out may
have a fraction (0.5), up to 3600 seconds.</translation>
    </message>
    <message>
        <source>Empties the job list file. The files the jobs fetched are not touched;
what cut transfers left for a later resume (FILE.part and
FILE.part.resume) is removed.</source>
        <translation>Empties the job list file. The files the jobs fetched are not touched;
what cut transfers left for a later resume (FILE.part and
FILE.part.resume) is removed.</translation>
    </message>
    <message>
        <source>Fetch again those finished files (○, ▲) that changed on the server.</source>
        <translation>Fetch again those finished files (○, ▲) that changed on the server.</translation>
    </message>
    <message>
        <source>Asks the server about each job marked ○ or ▲ with a conditional GET: with the
ETag and Last-Modified its last reply gave (kept in the job list), else with
If-Modified-Since set to its file's time. A 304 leaves the file untouched; a
new version replaces it once whole; a job whose file was deleted is fetched
again. A request that fails leaves the file and the mark as they were.
Prints a line per changed or failed job, then the number checked, changed,
unchanged and failed, and saves the list.</source>
        <translation>Asks the server about each job marked ○ or ▲ with a conditional GET: with the
ETag and Last-Modified its last reply gave (kept in the job list), else with
If-Modified-Since set to its file's time. A 304 leaves the file untouched; a
new version replaces it once whole; a job whose file was deleted is fetched
again. A request that fails leaves the file and the mark as they were.
Prints a line per changed or failed job, then the number checked, changed,
unchanged and failed, and saves the list.</translation>
    </message>
    <message>
        <source>  0    every job was checked
  1    some check failed
  2    bad arguments, unusable files or folders
</source>
        <translation>  0    every job was checked
  1    some check failed
  2    bad arguments, unusable files or folders
</translation>
    </message>
</context>
<context>
    <name>CliHelp</name>
    <message>
        <source>Usage: %1</source>
        <translation>Usage: %1</translation>
    </message>
    <message>
        <source>Commands:</source>
        <translation>Commands:</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>'serifetch-cli COMMAND --help' shows the options of one command.</source>
        <translation>'serifetch-cli COMMAND --help' shows the options of one command.</translation>
    </message>
    <message>
        <source>Exit status:</source>
        <translation>Exit status:</translation>
    </message>
    <message>
        <source>  0    success
  1    a job or request failed, or there was nothing to do
  2    bad arguments, unusable files or folders, network errors
  130  stopped by Ctrl-C or SIGTERM
</source>
        <translation>  0    success
  1    a job or request failed, or there was nothing to do
  2    bad arguments, unusable files or folders, network errors
  130  stopped by Ctrl-C or SIGTERM
</translation>
    </message>
    <message>
        <source>Try 'serifetch-cli %1 --help'.</source>
        <translation>Try 'serifetch-cli %1 --help'.</translation>
    </message>
    <message>
        <source>unexpected argument "%1"</source>
        <translation>unexpected argument "%1"</translation>
    </message>
    <message>
        <source>more than one %1</source>
        <translation>more than one %1</translation>
    </message>
    <message>
        <source>no %1 given</source>
        <translation>no %1 given</translation>
    </message>
    <message>
        <source>Usage: serifetch-cli COMMAND [OPTIONS] [ARGUMENTS]
Fetch a numbered series of files over HTTP/1.1 and HTTPS, without a window
(a plain http: request goes out as HTTP/1.0 unless --keep-alive). The job
list and the settings are the window's own, in $SERIFETCH_HOME (else
$XDG_CONFIG_HOME/serifetch, else ~/.config/serifetch); only one of the two
programs may use them at a time.
</source>
        <translation>Usage: serifetch-cli COMMAND [OPTIONS] [ARGUMENTS]
Fetch a numbered series of files over HTTP/1.1 and HTTPS, without a window
(a plain http: request goes out as HTTP/1.0 unless --keep-alive). The job
list and the settings are the window's own, in $SERIFETCH_HOME (else
$XDG_CONFIG_HOME/serifetch, else ~/.config/serifetch); only one of the two
programs may use them at a time.
</translation>
    </message>
</context>
<context>
    <name>CliMain</name>
    <message>
        <source>no command given</source>
        <translation>no command given</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>unknown command %1</translation>
    </message>
    <message>
        <source>unknown command %1; did you mean %2?</source>
        <translation>unknown command %1; did you mean %2?</translation>
    </message>
    <message>
        <source>Try 'serifetch-cli --help'.</source>
        <translation>Try 'serifetch-cli --help'.</translation>
    </message>
</context>
<context>
    <name>CliOption</name>
    <message>
        <source>save the list also over jobs after an empty row that were not loaded</source>
        <translation>save the list also over jobs after an empty row that were not loaded</translation>
    </message>
    <message>
        <source>refuse https: URLs instead of fetching them over TLS</source>
        <translation>refuse https: URLs instead of fetching them over TLS</translation>
    </message>
    <message>
        <source>trust this CA certificate too</source>
        <translation>trust this CA certificate too</translation>
    </message>
    <message>
        <source>ask in HTTP/1.1 and keep the connection for the next file</source>
        <translation>ask in HTTP/1.1 and keep the connection for the next file</translation>
    </message>
    <message>
        <source>send this User-Agent line</source>
        <translation>send this User-Agent line</translation>
    </message>
    <message>
        <source>send this Referer line</source>
        <translation>send this Referer line</translation>
    </message>
    <message>
        <source>send each job's base URL as its Referer</source>
        <translation>send each job's base URL as its Referer</translation>
    </message>
    <message>
        <source>send this request line too (repeatable)</source>
        <translation>send this request line too (repeatable)</translation>
    </message>
    <message>
        <source>print this help and exit</source>
        <translation>print this help and exit</translation>
    </message>
    <message>
        <source>print the version and exit</source>
        <translation>print the version and exit</translation>
    </message>
    <message>
        <source>save folder (default: the current folder)</source>
        <translation>save folder (default: the current folder)</translation>
    </message>
    <message>
        <source>write the body to FILE (-: standard output)</source>
        <translation>write the body to FILE (-: standard output)</translation>
    </message>
    <message>
        <source>fetch through this HTTP proxy ('': none, not the environment's)</source>
        <translation>fetch through this HTTP proxy ('': none, not the environment's)</translation>
    </message>
    <message>
        <source>idle time-out in seconds (default 60, 0: none)</source>
        <translation>idle time-out in seconds (default 60, 0: none)</translation>
    </message>
    <message>
        <source>print the request, its status line, bytes and time</source>
        <translation>print the request, its status line, bytes and time</translation>
    </message>
    <message>
        <source>print the socket texts and the reply header</source>
        <translation>print the socket texts and the reply header</translation>
    </message>
    <message>
        <source>skip jobs whose file exists</source>
        <translation>skip jobs whose file exists</translation>
    </message>
    <message>
        <source>fetch them again</source>
        <translation>fetch them again</translation>
    </message>
    <message>
        <source>treat files of at most KB kilobytes as failed</source>
        <translation>treat files of at most KB kilobytes as failed</translation>
    </message>
    <message>
        <source>keep files of any size</source>
        <translation>keep files of any size</translation>
    </message>
    <message>
        <source>start at most N requests a second to each server</source>
        <translation>start at most N requests a second to each server</translation>
    </message>
    <message>
        <source>try a job that failed for a passing reason (refused, cut, time-out, 5xx) up to N more times (0 to 10, default 2)</source>
        <translation>try a job that failed for a passing reason (refused, cut, time-out, 5xx) up to N more times (0 to 10, default 2)</translation>
    </message>
    <message>
        <source>fetch the failed and given-up jobs (▼, ×) again from the server</source>
        <translation>fetch the failed and given-up jobs (▼, ×) again from the server</translation>
    </message>
    <message>
        <source>fetch jobs whose path goes up with .. or into hidden files or folders too</source>
        <translation>fetch jobs whose path goes up with .. or into hidden files or folders too</translation>
    </message>
    <message>
        <source>print only failed jobs, errors and the summary</source>
        <translation>print only failed jobs, errors and the summary</translation>
    </message>
    <message>
        <source>a line per request: status line, bytes, time</source>
        <translation>a line per request: status line, bytes, time</translation>
    </message>
    <message>
        <source>base URL, ending in /</source>
        <translation>base URL, ending in /</translation>
    </message>
    <message>
        <source>file name before the number</source>
        <translation>file name before the number</translation>
    </message>
    <message>
        <source>the number padded to N digits</source>
        <translation>the number padded to N digits</translation>
    </message>
    <message>
        <source>first number</source>
        <translation>first number</translation>
    </message>
    <message>
        <source>file name after the number</source>
        <translation>file name after the number</translation>
    </message>
    <message>
        <source>name the files NAME, #1, #2 … for the values</source>
        <translation>name the files NAME, #1, #2 … for the values</translation>
    </message>
    <message>
        <source>missing numbers in a row that end a series (1 to 100, default 3)</source>
        <translation>missing numbers in a row that end a series (1 to 100, default 3)</translation>
    </message>
    <message>
        <source>pause between requests (default 200)</source>
        <translation>pause between requests (default 200)</translation>
    </message>
    <message>
        <source>print each request and its status line</source>
        <translation>print each request and its status line</translation>
    </message>
    <message>
        <source>pause between jobs (default: Interval in serifech.ini, else 200)</source>
        <translation>pause between jobs (default: Interval in serifech.ini, else 200)</translation>
    </message>
    <message>
        <source>with an open end ([001-]): missing numbers in a row that end the series (1 to 100, default 3)</source>
        <translation>with an open end ([001-]): missing numbers in a row that end the series (1 to 100, default 3)</translation>
    </message>
    <message>
        <source>last number, or "open": found by the run</source>
        <translation>last number, or "open": found by the run</translation>
    </message>
    <message>
        <source>with an open end: N missing numbers in a row end it (default 3)</source>
        <translation>with an open end: N missing numbers in a row end it (default 3)</translation>
    </message>
    <message>
        <source>save folder (made when missing)</source>
        <translation>save folder (made when missing)</translation>
    </message>
    <message>
        <source>write the body to the URL's file name, in this folder</source>
        <translation>write the body to the URL's file name, in this folder</translation>
    </message>
    <message>
        <source>give each saved file the server's Last-Modified time</source>
        <translation>give each saved file the server's Last-Modified time</translation>
    </message>
    <message>
        <source>send the cookies of this cookies.txt (Netscape format) where they belong (default: Cookies in serifech.ini)</source>
        <translation>send the cookies of this cookies.txt (Netscape format) where they belong (default: Cookies in serifech.ini)</translation>
    </message>
    <message>
        <source>write the run's cookies to FILE at the end</source>
        <translation>write the run's cookies to FILE at the end</translation>
    </message>
    <message>
        <source>log in with HTTP Basic authentication (the password is asked for when left out)</source>
        <translation>log in with HTTP Basic authentication (the password is asked for when left out)</translation>
    </message>
    <message>
        <source>take names and passwords from ~/.netrc</source>
        <translation>take names and passwords from ~/.netrc</translation>
    </message>
    <message>
        <source>log in to the proxy with HTTP Basic authentication</source>
        <translation>log in to the proxy with HTTP Basic authentication</translation>
    </message>
    <message>
        <source>read at most RATE bytes a second over all files (200k, 1.5M)</source>
        <translation>read at most RATE bytes a second over all files (200k, 1.5M)</translation>
    </message>
    <message>
        <source>vary each pause from 0.5 to 1.5 times the interval</source>
        <translation>vary each pause from 0.5 to 1.5 times the interval</translation>
    </message>
    <message>
        <source>fetch https: URLs over HTTP/1.1 only, never as HTTP/2 streams</source>
        <translation>fetch https: URLs over HTTP/1.1 only, never as HTTP/2 streams</translation>
    </message>
    <message>
        <source>fetch up to N files at once (1 to 64, default 1)</source>
        <translation>fetch up to N files at once (1 to 64, default 1)</translation>
    </message>
</context>
<context>
    <name>CliProfile</name>
    <message>
        <source>warning: %1</source>
        <translation>warning: %1</translation>
    </message>
    <message>
        <source>%1; showing the job list as it was last saved</source>
        <translation>%1; showing the job list as it was last saved</translation>
    </message>
    <message>
        <source>%1 (the Serifetch window or another serifetch-cli); nothing was changed. Try again when it has finished.</source>
        <translation>%1 (the Serifetch window or another serifetch-cli); nothing was changed. Try again when it has finished.</translation>
    </message>
    <message>
        <source>nothing was changed, so the jobs that were not loaded stay in the file. Repair the empty row, or pass --force to save the list over them.</source>
        <translation>nothing was changed, so the jobs that were not loaded stay in the file. Repair the empty row, or pass --force to save the list over them.</translation>
    </message>
</context>
<context>
    <name>ClientOptions</name>
    <message>
        <source>%1 holds %2: "%3"</source>
        <translation>%1 holds %2: "%3"</translation>
    </message>
    <message>
        <source>--referer and --referer-base exclude each other</source>
        <translation>--referer and --referer-base exclude each other</translation>
    </message>
    <message>
        <source>--header needs 'NAME: VALUE', not "%1"</source>
        <translation>--header needs 'NAME: VALUE', not "%1"</translation>
    </message>
    <message>
        <source>Password for %1 (%2): </source>
        <translation>Password for %1 (%2): </translation>
    </message>
    <message>
        <source>--cookie-jar needs a file name</source>
        <translation>--cookie-jar needs a file name</translation>
    </message>
    <message>
        <source>%1 needs NAME[:PASSWORD]</source>
        <translation>%1 needs NAME[:PASSWORD]</translation>
    </message>
    <message>
        <source>%1 %2 has no password, and there is no terminal to ask for it on</source>
        <translation>%1 %2 has no password, and there is no terminal to ask for it on</translation>
    </message>
    <message>
        <source>%1 holds %2</source>
        <translation>%1 holds %2</translation>
    </message>
    <message>
        <source>--limit-rate needs bytes a second ("200k", "1.5M"), not "%1"</source>
        <translation>--limit-rate needs bytes a second ("200k", "1.5M"), not "%1"</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
</context>
<context>
    <name>ClientSettings</name>
    <message>
        <source>The %1 in serifech.ini holds %2; nothing was fetched.</source>
        <translation>The %1 in serifech.ini holds %2; nothing was fetched.</translation>
    </message>
</context>
<context>
    <name>ContentCheck</name>
    <message>
        <source>an image</source>
        <translation>an image</translation>
    </message>
    <message>
        <source>an audio file</source>
        <translation>an audio file</translation>
    </message>
    <message>
        <source>a video</source>
        <translation>a video</translation>
    </message>
    <message>
        <source>an archive</source>
        <translation>an archive</translation>
    </message>
    <message>
        <source>%1 page instead of %2</source>
        <translation>%1 page instead of %2</translation>
    </message>
</context>
<context>
    <name>CookieFile</name>
    <message>
        <source>Cannot read the cookie file %1: %2</source>
        <translation>Cannot read the cookie file %1: %2</translation>
    </message>
    <message>
        <source>%1 line %2 skipped: %3</source>
        <translation>%1 line %2 skipped: %3</translation>
    </message>
    <message>
        <source>Cannot write the cookie file %1: %2</source>
        <translation>Cannot write the cookie file %1: %2</translation>
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
    <name>EnvProxy</name>
    <message>
        <source>%1 must name an http:// proxy as HOST:PORT, not "%2"</source>
        <translation>%1 must name an http:// proxy as HOST:PORT, not "%2"</translation>
    </message>
</context>
<context>
    <name>FetchCommand</name>
    <message>
        <source>"%1" is not a URL (http://host/path)</source>
        <translation>"%1" is not a URL (http://host/path)</translation>
    </message>
    <message>
        <source>the URL names no file: it ends in "/"</source>
        <translation>the URL names no file: it ends in "/"</translation>
    </message>
    <message>
        <source>the range in the URL has no closing "]"</source>
        <translation>the range in the URL has no closing "]"</translation>
    </message>
    <message>
        <source>only one [range] per URL; list the others up with list-up</source>
        <translation>only one [range] per URL; list the others up with list-up</translation>
    </message>
    <message>
        <source>the range must be in the file name, after the last "/"</source>
        <translation>the range must be in the file name, after the last "/"</translation>
    </message>
    <message>
        <source>the range [%1] must be numbers, as in [001-040] or [1-40:2]</source>
        <translation>the range [%1] must be numbers, as in [001-040] or [1-40:2]</translation>
    </message>
    <message>
        <source>the range [%1] needs numbers up to 2147483647 and a step of at least 1</source>
        <translation>the range [%1] needs numbers up to 2147483647 and a step of at least 1</translation>
    </message>
    <message>
        <source>the range [%1] starts after it ends</source>
        <translation>the range [%1] starts after it ends</translation>
    </message>
    <message>
        <source>--dir needs a folder</source>
        <translation>--dir needs a folder</translation>
    </message>
    <message>
        <source>Pattern: %1</source>
        <translation>Pattern: %1</translation>
    </message>
    <message>
        <source>Added %1 jobs (%2 listed already); %3 in the list.</source>
        <translation>Added %1 jobs (%2 listed already); %3 in the list.</translation>
    </message>
</context>
<context>
    <name>GetCommand</name>
    <message>
        <source>--proxy needs HOST:PORT, not "%1"</source>
        <translation>--proxy needs HOST:PORT, not "%1"</translation>
    </message>
    <message>
        <source>cannot create a temporary folder for the body</source>
        <translation>cannot create a temporary folder for the body</translation>
    </message>
    <message>
        <source>cannot write the body to standard output</source>
        <translation>cannot write the body to standard output</translation>
    </message>
    <message>
        <source>give -o FILE or -O, not both</source>
        <translation>give -o FILE or -O, not both</translation>
    </message>
    <message>
        <source>the URL "%1" names no file for -O; give -o FILE</source>
        <translation>the URL "%1" names no file for -O; give -o FILE</translation>
    </message>
    <message>
        <source>-o FILE or -O is required</source>
        <translation>-o FILE or -O is required</translation>
    </message>
</context>
<context>
    <name>GoArgs</name>
    <message>
        <source>--skip-existing and --no-skip-existing exclude each other</source>
        <translation>--skip-existing and --no-skip-existing exclude each other</translation>
    </message>
    <message>
        <source>--min-size needs kilobytes from 0 to 2147483647, not "%1"</source>
        <translation>--min-size needs kilobytes from 0 to 2147483647, not "%1"</translation>
    </message>
    <message>
        <source>--min-size and --no-min-size exclude each other</source>
        <translation>--min-size and --no-min-size exclude each other</translation>
    </message>
    <message>
        <source>--interval needs milliseconds from 0 to 86400000, not "%1"</source>
        <translation>--interval needs milliseconds from 0 to 86400000, not "%1"</translation>
    </message>
    <message>
        <source>--rate needs requests a second from 0.001 to 1000 ("2" or "0.5/s"), not "%1"</source>
        <translation>--rate needs requests a second from 0.001 to 1000 ("2" or "0.5/s"), not "%1"</translation>
    </message>
    <message>
        <source>--parallel needs a number of files from %1 to %2, not "%3"</source>
        <translation>--parallel needs a number of files from %1 to %2, not "%3"</translation>
    </message>
    <message>
        <source>--retries needs a number of tries from %1 to %2, not "%3"</source>
        <translation>--retries needs a number of tries from %1 to %2, not "%3"</translation>
    </message>
    <message>
        <source>--proxy needs HOST:PORT, not "%1"</source>
        <translation>--proxy needs HOST:PORT, not "%1"</translation>
    </message>
    <message>
        <source>--quiet and --verbose exclude each other</source>
        <translation>--quiet and --verbose exclude each other</translation>
    </message>
    <message>
        <source>--timeout needs seconds from 0 to %1, not "%2" (time-outs are in seconds: %3 ms is %4)</source>
        <translation>--timeout needs seconds from 0 to %1, not "%2" (time-outs are in seconds: %3 ms is %4)</translation>
    </message>
    <message>
        <source>--timeout needs seconds from 0 to %1, not "%2"</source>
        <translation>--timeout needs seconds from 0 to %1, not "%2"</translation>
    </message>
</context>
<context>
    <name>GoCommand</name>
    <message>
        <source>Failed: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>the job list is empty; add jobs with list-up or fetch</source>
        <translation>the job list is empty; add jobs with list-up or fetch</translation>
    </message>
    <message>
        <source>exists</source>
        <translation>exists</translation>
    </message>
    <message>
        <source>%1 (removed)</source>
        <translation>%1 (removed)</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>Terminated: aborting the current job and saving the list.</source>
        <translation>Terminated: aborting the current job and saving the list.</translation>
    </message>
    <message>
        <source>Stopping after the jobs under way (Ctrl-C again aborts them).</source>
        <translation>Stopping after the jobs under way (Ctrl-C again aborts them).</translation>
    </message>
    <message>
        <source>Stopping after the current job (Ctrl-C again aborts it).</source>
        <translation>Stopping after the current job (Ctrl-C again aborts it).</translation>
    </message>
    <message>
        <source>Aborting the current job; the list is being saved.</source>
        <translation>Aborting the current job; the list is being saved.</translation>
    </message>
    <message>
        <source>the save folder %1 of job %2 (%3) could not be created</source>
        <translation>the save folder %1 of job %2 (%3) could not be created</translation>
    </message>
</context>
<context>
    <name>GoReport</name>
    <message>
        <source>%1 %2  %3 / %4 bytes  %5%</source>
        <translation>%1 %2  %3 / %4 bytes  %5%</translation>
    </message>
    <message>
        <source>%1 %2  %3 bytes</source>
        <translation>%1 %2  %3 bytes</translation>
    </message>
</context>
<context>
    <name>Http2Fields</name>
    <message>
        <source>No request line to send: "%1"</source>
        <translation>No request line to send: "%1"</translation>
    </message>
    <message>
        <source>The request names no host</source>
        <translation>The request names no host</translation>
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
    <name>JobListFile</name>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>The job list stops at row %1, which is empty, but %2 more job(s) follow it in the file; they were not loaded. Saving the list writes over them.</source>
        <translation>The job list stops at row %1, which is empty, but %2 more job(s) follow it in the file; they were not loaded. Saving the list writes over them.</translation>
    </message>
</context>
<context>
    <name>JobListJournal</name>
    <message>
        <source>Could not %1 %2: %3</source>
        <translation>Could not %1 %2: %3</translation>
    </message>
    <message>
        <source>read</source>
        <translation>read</translation>
    </message>
    <message>
        <source>open</source>
        <translation>open</translation>
    </message>
    <message>
        <source>write</source>
        <translation>write</translation>
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
    <message>
        <source>%1: %2 sent nothing for too long</source>
        <translation>%1: %2 sent nothing for too long</translation>
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
    <message>
        <source>Checking for newer versions…</source>
        <translation>Checking for newer versions…</translation>
    </message>
    <message>
        <source>Checking for newer versions… %1 checked</source>
        <translation>Checking for newer versions… %1 checked</translation>
    </message>
    <message>
        <source>Newer version fetched: %1</source>
        <translation>Newer version fetched: %1</translation>
    </message>
    <message>
        <source>Could not check %1: %2</source>
        <translation>Could not check %1: %2</translation>
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
    <name>ListRefresh</name>
    <message>
        <source>%1 checked: %2 changed, %3 unchanged, %4 failed</source>
        <translation>%1 checked: %2 changed, %3 unchanged, %4 failed</translation>
    </message>
    <message>
        <source>Cannot save to "%1": %2</source>
        <translation>Cannot save to "%1": %2</translation>
    </message>
</context>
<context>
    <name>ListUpCommand</name>
    <message>
        <source>base URL</source>
        <translation>base URL</translation>
    </message>
    <message>
        <source>head</source>
        <translation>head</translation>
    </message>
    <message>
        <source>tail</source>
        <translation>tail</translation>
    </message>
    <message>
        <source>the %1 "%2" holds %3</source>
        <translation>the %1 "%2" holds %3</translation>
    </message>
    <message>
        <source>not enough memory to list the series up</source>
        <translation>not enough memory to list the series up</translation>
    </message>
    <message>
        <source>URL:     %1</source>
        <translation>URL:     %1</translation>
    </message>
    <message>
        <source>Folder:  %1</source>
        <translation>Folder:  %1</translation>
    </message>
    <message>
        <source>Preview: %1</source>
        <translation>Preview: %1</translation>
    </message>
    <message>
        <source>Added %1 jobs (%2 listed already); %3 in the list.</source>
        <translation>Added %1 jobs (%2 listed already); %3 in the list.</translation>
    </message>
    <message>
        <source>Added %1 jobs; %2 in the list.</source>
        <translation>Added %1 jobs; %2 in the list.</translation>
    </message>
    <message>
        <source>--dir needs a folder</source>
        <translation>--dir needs a folder</translation>
    </message>
    <message>
        <source>--digits needs a whole number, not "%1"</source>
        <translation>--digits needs a whole number, not "%1"</translation>
    </message>
    <message>
        <source>nothing added: the start number %1 is after the end number %2</source>
        <translation>nothing added: the start number %1 is after the end number %2</translation>
    </message>
    <message>
        <source>the save folder %1 could not be created</source>
        <translation>the save folder %1 could not be created</translation>
    </message>
    <message>
        <source>the user name and password in the URL are not kept in the list; give them to go with --user, or in ~/.netrc with --netrc</source>
        <translation>the user name and password in the URL are not kept in the list; give them to go with --user, or in ~/.netrc with --netrc</translation>
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
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>open end</source>
        <translation>open end</translation>
    </message>
    <message>
        <source>#1-#2.jpg (empty: the URL's path below the pattern)</source>
        <translation>#1-#2.jpg (empty: the URL's path below the pattern)</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Check for newer versions</source>
        <translation>Check for newer versions</translation>
    </message>
</context>
<context>
    <name>OpenSeries</name>
    <message>
        <source>its last range has an end</source>
        <translation>its last range has an end</translation>
    </message>
    <message>
        <source>the open series %1 cannot be fetched: %2</source>
        <translation>the open series %1 cannot be fetched: %2</translation>
    </message>
    <message>
        <source>%1  -  (open end: until %2 numbers in a row are missing)</source>
        <translation>%1  -  (open end: until %2 numbers in a row are missing)</translation>
    </message>
</context>
<context>
    <name>PartFile</name>
    <message>
        <source>Cannot save to "%1": the file name is %2 bytes long, the limit is %3</source>
        <translation>Cannot save to "%1": the file name is %2 bytes long, the limit is %3</translation>
    </message>
    <message>
        <source>Cannot save to "%1": it is a folder</source>
        <translation>Cannot save to "%1": it is a folder</translation>
    </message>
    <message>
        <source>Cannot save to "%1": it is not a regular file</source>
        <translation>Cannot save to "%1": it is not a regular file</translation>
    </message>
    <message>
        <source>Cannot create file "%1": %2</source>
        <translation>Cannot create file "%1": %2</translation>
    </message>
    <message>
        <source>Cannot write file "%1": %2</source>
        <translation>Cannot write file "%1": %2</translation>
    </message>
    <message>
        <source>Cannot save to "%1": %2</source>
        <translation>Cannot save to "%1": %2</translation>
    </message>
    <message>
        <source>Cannot open file "%1": %2</source>
        <translation>Cannot open file "%1": %2</translation>
    </message>
    <message>
        <source>The part file "%1" changed before it was resumed</source>
        <translation>The part file "%1" changed before it was resumed</translation>
    </message>
</context>
<context>
    <name>PatternJobs</name>
    <message>
        <source>%1  -  %2 (%3 files)</source>
        <translation>%1  -  %2 (%3 files)</translation>
    </message>
    <message>
        <source>%1, by the URL's pattern; head, digits, start, end and tail are not used</source>
        <translation>%1, by the URL's pattern; head, digits, start, end and tail are not used</translation>
    </message>
</context>
<context>
    <name>PowersockConnector</name>
    <message>
        <source>Resolve Host</source>
        <translation>Resolve Host</translation>
    </message>
    <message>
        <source>Host Lookup Timed Out</source>
        <translation>Host Lookup Timed Out</translation>
    </message>
    <message>
        <source>Host Lookup Canceled</source>
        <translation>Host Lookup Canceled</translation>
    </message>
    <message>
        <source>Host Lookup Failed</source>
        <translation>Host Lookup Failed</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>Already connected</source>
        <translation>Already connected</translation>
    </message>
    <message>
        <source>Null Remote Address</source>
        <translation>Null Remote Address</translation>
    </message>
    <message>
        <source>Connection Timed out</source>
        <translation>Connection Timed out</translation>
    </message>
    <message>
        <source>Connection Canceled</source>
        <translation>Connection Canceled</translation>
    </message>
    <message>
        <source>Connection Failed</source>
        <translation>Connection Failed</translation>
    </message>
    <message>
        <source>Securing Connection</source>
        <translation>Securing Connection</translation>
    </message>
    <message>
        <source>Connection Secured</source>
        <translation>Connection Secured</translation>
    </message>
    <message>
        <source>TLS Handshake Timed out</source>
        <translation>TLS Handshake Timed out</translation>
    </message>
    <message>
        <source>TLS Handshake Canceled</source>
        <translation>TLS Handshake Canceled</translation>
    </message>
</context>
<context>
    <name>PowersockErrors</name>
    <message>
        <source>Cannot write file %1: %2</source>
        <translation>Cannot write file %1: %2</translation>
    </message>
    <message>
        <source>Cannot create file %1: %2</source>
        <translation>Cannot create file %1: %2</translation>
    </message>
    <message>
        <source>Cannot open file %1: %2</source>
        <translation>Cannot open file %1: %2</translation>
    </message>
    <message>
        <source>Cannot read file %1: %2</source>
        <translation>Cannot read file %1: %2</translation>
    </message>
</context>
<context>
    <name>PowersockListener</name>
    <message>
        <source>Accepting</source>
        <translation>Accepting</translation>
    </message>
    <message>
        <source>Accepting Canceled</source>
        <translation>Accepting Canceled</translation>
    </message>
    <message>
        <source>Error creating Data Connection</source>
        <translation>Error creating Data Connection</translation>
    </message>
    <message>
        <source>Socket send aborted</source>
        <translation>Socket send aborted</translation>
    </message>
</context>
<context>
    <name>PowersockReceiver</name>
    <message>
        <source>Line longer than %1 bytes</source>
        <translation>Line longer than %1 bytes</translation>
    </message>
    <message>
        <source>Socket readln aborted</source>
        <translation>Socket readln aborted</translation>
    </message>
    <message>
        <source>Transfer too slow: %1 bytes in %2 s, under %3 bytes/s</source>
        <translation>Transfer too slow: %1 bytes in %2 s, under %3 bytes/s</translation>
    </message>
    <message>
        <source>Socket send aborted</source>
        <translation>Socket send aborted</translation>
    </message>
    <message>
        <source>Socket capture aborted</source>
        <translation>Socket capture aborted</translation>
    </message>
</context>
<context>
    <name>PowersockSender</name>
    <message>
        <source>Sending Buffer</source>
        <translation>Sending Buffer</translation>
    </message>
    <message>
        <source>Socket send aborted</source>
        <translation>Socket send aborted</translation>
    </message>
</context>
<context>
    <name>PowersockWaits</name>
    <message>
        <source>Timer On</source>
        <translation>Timer On</translation>
    </message>
    <message>
        <source>Timer Off</source>
        <translation>Timer Off</translation>
    </message>
    <message>
        <source>Timer Triggered</source>
        <translation>Timer Triggered</translation>
    </message>
</context>
<context>
    <name>ProbeCommand</name>
    <message>
        <source>"%1" is not the URL of a numbered file (http://host/path/name07.jpg)</source>
        <translation>"%1" is not the URL of a numbered file (http://host/path/name07.jpg)</translation>
    </message>
    <message>
        <source>--misses needs a number from 1 to 100, not "%1"</source>
        <translation>--misses needs a number from 1 to 100, not "%1"</translation>
    </message>
    <message>
        <source>--interval needs milliseconds, not "%1"</source>
        <translation>--interval needs milliseconds, not "%1"</translation>
    </message>
    <message>
        <source>%1 files from %2 to %3, found with %4 requests (%5 misses met)</source>
        <translation>%1 files from %2 to %3, found with %4 requests (%5 misses met)</translation>
    </message>
</context>
<context>
    <name>ProfileDir</name>
    <message>
        <source>The settings folder %1 cannot be created: the program runs with its defaults, and nothing will be saved.</source>
        <translation>The settings folder %1 cannot be created: the program runs with its defaults, and nothing will be saved.</translation>
    </message>
    <message>
        <source>The settings folder %1 cannot be written (%2): settings and the job list will not be saved.</source>
        <translation>The settings folder %1 cannot be written (%2): settings and the job list will not be saved.</translation>
    </message>
</context>
<context>
    <name>ProfileFile</name>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <source>%1 was not saved, so that what it holds is not lost: it could not be read (%2)</source>
        <translation>%1 was not saved, so that what it holds is not lost: it could not be read (%2)</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>ProfileLock</name>
    <message>
        <source>%1: cannot open the lock file: %2</source>
        <translation>%1: cannot open the lock file: %2</translation>
    </message>
    <message>
        <source>%1: cannot lock the file: %2</source>
        <translation>%1: cannot lock the file: %2</translation>
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
    <name>ProxyTunnel</name>
    <message>
        <source>Proxy refused CONNECT: it closed the connection</source>
        <translation>Proxy refused CONNECT: it closed the connection</translation>
    </message>
    <message>
        <source>Proxy refused CONNECT: its answer does not end</source>
        <translation>Proxy refused CONNECT: its answer does not end</translation>
    </message>
    <message>
        <source>Proxy refused CONNECT: %1</source>
        <translation>Proxy refused CONNECT: %1</translation>
    </message>
</context>
<context>
    <name>RedirectTarget</name>
    <message>
        <source>Redirect to an unsupported scheme: %1</source>
        <translation>Redirect to an unsupported scheme: %1</translation>
    </message>
</context>
<context>
    <name>RefreshCommand</name>
    <message>
        <source>changed  %1  %2</source>
        <translation>changed  %1  %2</translation>
    </message>
    <message>
        <source>failed   %1  %2: %3</source>
        <translation>failed   %1  %2: %3</translation>
    </message>
</context>
<context>
    <name>ReplyHead</name>
    <message>
        <source>Unsupported Transfer-Encoding: %1</source>
        <translation>Unsupported Transfer-Encoding: %1</translation>
    </message>
    <message>
        <source>Bad Content-Length in the reply: "%1"</source>
        <translation>Bad Content-Length in the reply: "%1"</translation>
    </message>
    <message>
        <source>No HTTP status line in the reply: "%1"</source>
        <translation>No HTTP status line in the reply: "%1"</translation>
    </message>
</context>
<context>
    <name>ReplyHeadReader</name>
    <message>
        <source>Cannot create file "%1". %2</source>
        <translation>Cannot create file "%1". %2</translation>
    </message>
    <message>
        <source>Reply header longer than %1 bytes</source>
        <translation>Reply header longer than %1 bytes</translation>
    </message>
    <message>
        <source>Cannot write file "%1". %2</source>
        <translation>Cannot write file "%1". %2</translation>
    </message>
    <message>
        <source>No reply: the server closed the connection</source>
        <translation>No reply: the server closed the connection</translation>
    </message>
</context>
<context>
    <name>ReplyVerdict</name>
    <message>
        <source>Redirect %1 without a Location line</source>
        <translation>Redirect %1 without a Location line</translation>
    </message>
</context>
<context>
    <name>RequestLines</name>
    <message>
        <source>a line break (CR)</source>
        <translation>a line break (CR)</translation>
    </message>
    <message>
        <source>a line break (LF)</source>
        <translation>a line break (LF)</translation>
    </message>
    <message>
        <source>a NUL byte</source>
        <translation>a NUL byte</translation>
    </message>
    <message>
        <source>a tab</source>
        <translation>a tab</translation>
    </message>
    <message>
        <source>a DEL byte</source>
        <translation>a DEL byte</translation>
    </message>
    <message>
        <source>a control byte (0x%1)</source>
        <translation>a control byte (0x%1)</translation>
    </message>
    <message>
        <source>The request line "%1" holds %2; nothing was sent</source>
        <translation>The request line "%1" holds %2; nothing was sent</translation>
    </message>
</context>
<context>
    <name>RequestTarget</name>
    <message>
        <source>Empty URL</source>
        <translation>Empty URL</translation>
    </message>
    <message>
        <source>The URL "%1" holds %2; nothing was sent</source>
        <translation>The URL "%1" holds %2; nothing was sent</translation>
    </message>
    <message>
        <source>HTTP Secure Socket is not supported</source>
        <translation>HTTP Secure Socket is not supported</translation>
    </message>
    <message>
        <source>'%1' is not a valid port number</source>
        <translation>'%1' is not a valid port number</translation>
    </message>
    <message>
        <source>The host name "%1" is not a valid name</source>
        <translation>The host name "%1" is not a valid name</translation>
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
    <message>
        <source>%1 (given up after %2 checks)</source>
        <translation>%1 (given up after %2 checks)</translation>
    </message>
</context>
<context>
    <name>ResumeInfo</name>
    <message>
        <source>The server sent part of the file (206) to a request for all of it</source>
        <translation>The server sent part of the file (206) to a request for all of it</translation>
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
    <name>SeriesFinder</name>
    <message>
        <source>Asking %1 where the series starts and ends…</source>
        <translation>Asking %1 where the series starts and ends…</translation>
    </message>
    <message>
        <source>Asking %1 where the series starts and ends…
%2 requests; the last: %3 %4  %5</source>
        <translation>Asking %1 where the series starts and ends…
%2 requests; the last: %3 %4  %5</translation>
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
    <message>
        <source>Fetch on from the start number until %1 numbers in a row are missing; End is not used.</source>
        <translation>Fetch on from the start number until %1 numbers in a row are missing; End is not used.</translation>
    </message>
    <message>
        <source>SaveDir: %1</source>
        <translation>SaveDir: %1</translation>
    </message>
    <message>
        <source>The series was not found: %1
The inputs hold the split, the end left open.</source>
        <translation>The series was not found: %1
The inputs hold the split, the end left open.</translation>
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
    <name>SettingsFile</name>
    <message>
        <source>The save folder %1 could not be created.</source>
        <translation>The save folder %1 could not be created.</translation>
    </message>
    <message>
        <source>%1: the value "%2" of %3 in [%4] is not a whole number from %5 to %6; %7 is used instead.</source>
        <translation>%1: the value "%2" of %3 in [%4] is not a whole number from %5 to %6; %7 is used instead.</translation>
    </message>
    <message>
        <source>%1; the program starts with its defaults.</source>
        <translation>%1; the program starts with its defaults.</translation>
    </message>
</context>
<context>
    <name>ShowCommand</name>
    <message>
        <source>Open series: %1 into %2, until %3 numbers in a row are missing</source>
        <translation>Open series: %1 into %2, until %3 numbers in a row are missing</translation>
    </message>
</context>
<context>
    <name>SocketErrors</name>
    <message>
        <source>Unknown Error No. %1</source>
        <translation>Unknown Error No. %1</translation>
    </message>
    <message>
        <source>Interrupted system call</source>
        <translation>Interrupted system call</translation>
    </message>
    <message>
        <source>Bad file number</source>
        <translation>Bad file number</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>Bad address</source>
        <translation>Bad address</translation>
    </message>
    <message>
        <source>Invalid argument</source>
        <translation>Invalid argument</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>Operation would block</source>
        <translation>Operation would block</translation>
    </message>
    <message>
        <source>Operation now in progress</source>
        <translation>Operation now in progress</translation>
    </message>
    <message>
        <source>Operation already in progress</source>
        <translation>Operation already in progress</translation>
    </message>
    <message>
        <source>Socket operation on non-socket</source>
        <translation>Socket operation on non-socket</translation>
    </message>
    <message>
        <source>Destination address required</source>
        <translation>Destination address required</translation>
    </message>
    <message>
        <source>Message too long</source>
        <translation>Message too long</translation>
    </message>
    <message>
        <source>Wrong protocol type for socket</source>
        <translation>Wrong protocol type for socket</translation>
    </message>
    <message>
        <source>Bad protocol option</source>
        <translation>Bad protocol option</translation>
    </message>
    <message>
        <source>Protocol not supported</source>
        <translation>Protocol not supported</translation>
    </message>
    <message>
        <source>Socket type not supported</source>
        <translation>Socket type not supported</translation>
    </message>
    <message>
        <source>Operation not supported on socket</source>
        <translation>Operation not supported on socket</translation>
    </message>
    <message>
        <source>Protocol family not supported</source>
        <translation>Protocol family not supported</translation>
    </message>
    <message>
        <source>Address family not supported by protocol family</source>
        <translation>Address family not supported by protocol family</translation>
    </message>
    <message>
        <source>Address already in use</source>
        <translation>Address already in use</translation>
    </message>
    <message>
        <source>Can't assign requested address</source>
        <translation>Can't assign requested address</translation>
    </message>
    <message>
        <source>Network subsystem is unavailable</source>
        <translation>Network subsystem is unavailable</translation>
    </message>
    <message>
        <source>Incompatible version of WINSOCK.DLL</source>
        <translation>Incompatible version of WINSOCK.DLL</translation>
    </message>
    <message>
        <source>Successful WSAStartup not yet performed</source>
        <translation>Successful WSAStartup not yet performed</translation>
    </message>
    <message>
        <source>Non-Recoverable error: FORMERR, REFUSED, NOTIMP</source>
        <translation>Non-Recoverable error: FORMERR, REFUSED, NOTIMP</translation>
    </message>
    <message>
        <source>Network is down</source>
        <translation>Network is down</translation>
    </message>
    <message>
        <source>Network is unreachable</source>
        <translation>Network is unreachable</translation>
    </message>
    <message>
        <source>Network dropped connection or reset</source>
        <translation>Network dropped connection or reset</translation>
    </message>
    <message>
        <source>Software caused connection abort</source>
        <translation>Software caused connection abort</translation>
    </message>
    <message>
        <source>Connection reset by peer</source>
        <translation>Connection reset by peer</translation>
    </message>
    <message>
        <source>No buffer space available</source>
        <translation>No buffer space available</translation>
    </message>
    <message>
        <source>Socket is already connected</source>
        <translation>Socket is already connected</translation>
    </message>
    <message>
        <source>Socket is not connected</source>
        <translation>Socket is not connected</translation>
    </message>
    <message>
        <source>Can't send after socket shutdown</source>
        <translation>Can't send after socket shutdown</translation>
    </message>
    <message>
        <source>Too many references, can't splice</source>
        <translation>Too many references, can't splice</translation>
    </message>
    <message>
        <source>Connection timed out</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>Connection refused</source>
        <translation>Connection refused</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>Too many levels of symbolic links</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>File name too long</translation>
    </message>
    <message>
        <source>Host is down</source>
        <translation>Host is down</translation>
    </message>
    <message>
        <source>No route to Host</source>
        <translation>No route to Host</translation>
    </message>
    <message>
        <source>Directory not empty</source>
        <translation>Directory not empty</translation>
    </message>
    <message>
        <source>Too many processes</source>
        <translation>Too many processes</translation>
    </message>
    <message>
        <source>Too many users</source>
        <translation>Too many users</translation>
    </message>
    <message>
        <source>Disc quota exceeded</source>
        <translation>Disc quota exceeded</translation>
    </message>
    <message>
        <source>Stale NFS file handle</source>
        <translation>Stale NFS file handle</translation>
    </message>
    <message>
        <source>Too many levels of remote in path</source>
        <translation>Too many levels of remote in path</translation>
    </message>
    <message>
        <source>Host not found</source>
        <translation>Host not found</translation>
    </message>
    <message>
        <source>Non-Authoritative Host not found</source>
        <translation>Non-Authoritative Host not found</translation>
    </message>
    <message>
        <source>Valid name, no data record of requested type</source>
        <translation>Valid name, no data record of requested type</translation>
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
    <name>TForm2</name>
    <message>
        <source>Ver2.0</source>
        <translation>Ver2.0</translation>
    </message>
    <message>
        <source>連番ファイル一括ダウンローダ</source>
        <translation>Numbered-series file downloader</translation>
    </message>
    <message>
        <source>HTTP/1.1・HTTPS・プロキシ対応</source>
        <translation>HTTP/1.1, HTTPS, through proxies</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ブラウザ</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>The README was not found. It is looked for here:
%1</source>
        <translation>The README was not found. It is looked for here:
%1</translation>
    </message>
</context>
<context>
    <name>TForm6</name>
    <message>
        <source>Option</source>
        <translation>Option</translation>
    </message>
    <message>
        <source>Use Proxy</source>
        <translation>Use Proxy</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Init</source>
        <translation>Init</translation>
    </message>
    <message>
        <source>Proxy</source>
        <translation>Proxy</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>Fetch https: URLs (TLS)</source>
        <translation>Fetch https: URLs (TLS)</translation>
    </message>
    <message>
        <source>only the system's CAs</source>
        <translation>only the system's CAs</translation>
    </message>
    <message>
        <source>none sent</source>
        <translation>none sent</translation>
    </message>
    <message>
        <source>Referer: each job's base URL</source>
        <translation>Referer: each job's base URL</translation>
    </message>
    <message>
        <source>Keep the connection for the next file (HTTP/1.1)</source>
        <translation>Keep the connection for the next file (HTTP/1.1)</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>How long each of the files fetched at once waits after its request before the next</source>
        <translation>How long each of the files fetched at once waits after its request before the next</translation>
    </message>
    <message>
        <source>Name: value, one a line</source>
        <translation>Name: value, one a line</translation>
    </message>
    <message>
        <source>CA file</source>
        <translation>CA file</translation>
    </message>
    <message>
        <source>User-Agent</source>
        <translation>User-Agent</translation>
    </message>
    <message>
        <source>Referer</source>
        <translation>Referer</translation>
    </message>
    <message>
        <source>Extra lines</source>
        <translation>Extra lines</translation>
    </message>
    <message>
        <source>Files at once</source>
        <translation>Files at once</translation>
    </message>
    <message>
        <source>Pause between requests</source>
        <translation>Pause between requests</translation>
    </message>
    <message>
        <source>"%1" is no request line "Name: value".</source>
        <translation>"%1" is no request line "Name: value".</translation>
    </message>
    <message>
        <source>'%1' は有効な整数値ではありません。</source>
        <translation>'%1' is not a valid whole number.</translation>
    </message>
    <message>
        <source>Give each file the server's time (Last-Modified)</source>
        <translation>Give each file the server's time (Last-Modified)</translation>
    </message>
    <message>
        <source>Remember the password (in serifech.ini, readable by you alone)</source>
        <translation>Remember the password (in serifech.ini, readable by you alone)</translation>
    </message>
    <message>
        <source>User</source>
        <translation>User</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>A cookies.txt (Netscape format) whose cookies each run starts with</source>
        <translation>A cookies.txt (Netscape format) whose cookies each run starts with</translation>
    </message>
    <message>
        <source>Names and passwords from ~/.netrc</source>
        <translation>Names and passwords from ~/.netrc</translation>
    </message>
    <message>
        <source> bytes/s</source>
        <translation> bytes/s</translation>
    </message>
    <message>
        <source>no cap</source>
        <translation>no cap</translation>
    </message>
    <message>
        <source>The bytes a second a run takes over all its files together</source>
        <translation>The bytes a second a run takes over all its files together</translation>
    </message>
    <message>
        <source>Cookie file</source>
        <translation>Cookie file</translation>
    </message>
    <message>
        <source>Speed cap</source>
        <translation>Speed cap</translation>
    </message>
    <message>
        <source>HTTP/2 for https: (all files at once on one connection)</source>
        <translation>HTTP/2 for https: (all files at once on one connection)</translation>
    </message>
    <message>
        <source>Files fetched at once: as streams of one connection to an HTTP/2 server, else each on a connection of its own</source>
        <translation>Files fetched at once: as streams of one connection to an HTTP/2 server, else each on a connection of its own</translation>
    </message>
</context>
<context>
    <name>TForm7</name>
    <message>
        <source>URLリスト編集</source>
        <translation>Edit the URL list</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>一つ上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>一つ下</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TLoginDialog</name>
    <message>
        <source>Name and password</source>
        <translation>Name and password</translation>
    </message>
    <message>
        <source>%1 asks for a name and password.</source>
        <translation>%1 asks for a name and password.</translation>
    </message>
    <message>
        <source>Remember them (in serifech.ini, readable by you alone)</source>
        <translation>Remember them (in serifech.ini, readable by you alone)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>User</source>
        <translation>User</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
</context>
<context>
    <name>TNMHTTP</name>
    <message>
        <source>Cannot open file "%1". %2</source>
        <translation>Cannot open file "%1". %2</translation>
    </message>
    <message>
        <source>Connection Canceled</source>
        <translation>Connection Canceled</translation>
    </message>
    <message>
        <source>Transaction Completed</source>
        <translation>Transaction Completed</translation>
    </message>
    <message>
        <source>Redirected from https: to plain http: %1</source>
        <translation>Redirected from https: to plain http: %1</translation>
    </message>
    <message>
        <source>Gave up after %1 requests: the server keeps answering %2</source>
        <translation>Gave up after %1 requests: the server keeps answering %2</translation>
    </message>
    <message>
        <source>Waiting for the connection to %1</source>
        <translation>Waiting for the connection to %1</translation>
    </message>
    <message>
        <source>Connection Timed out</source>
        <translation>Connection Timed out</translation>
    </message>
    <message>
        <source>HTTP/2 with %1 could not be started</source>
        <translation>HTTP/2 with %1 could not be started</translation>
    </message>
    <message>
        <source>Waiting for room on the connection to %1</source>
        <translation>Waiting for room on the connection to %1</translation>
    </message>
</context>
<context>
    <name>TNMURL</name>
    <message>
        <source>Error during encode</source>
        <translation>Error during encode</translation>
    </message>
</context>
<context>
    <name>TNMUUProcessor</name>
    <message>
        <source>Stream read error</source>
        <translation>Stream read error</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Stream write error</translation>
    </message>
</context>
<context>
    <name>TPowersock</name>
    <message>
        <source>Initializing Winsock</source>
        <translation>Initializing Winsock</translation>
    </message>
    <message>
        <source>Initializaton of windows sockets failed</source>
        <translation>Initializaton of windows sockets failed</translation>
    </message>
    <message>
        <source>Looking Up Error Message</source>
        <translation>Looking Up Error Message</translation>
    </message>
    <message>
        <source>Canceling</source>
        <translation>Canceling</translation>
    </message>
    <message>
        <source>Disconnecting</source>
        <translation>Disconnecting</translation>
    </message>
    <message>
        <source>Request Close Socket</source>
        <translation>Request Close Socket</translation>
    </message>
    <message>
        <source>Data Available</source>
        <translation>Data Available</translation>
    </message>
</context>
<context>
    <name>TlsTransport</name>
    <message>
        <source>connection closed</source>
        <translation>connection closed</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>error %1</translation>
    </message>
    <message>
        <source>TLS is not available: </source>
        <translation>TLS is not available: </translation>
    </message>
    <message>
        <source>Cannot read the CA file "%1": %2</source>
        <translation>Cannot read the CA file "%1": %2</translation>
    </message>
    <message>
        <source>TLS handshake with %1 failed: connection closed</source>
        <translation>TLS handshake with %1 failed: connection closed</translation>
    </message>
    <message>
        <source>TLS handshake with %1 failed: %2</source>
        <translation>TLS handshake with %1 failed: %2</translation>
    </message>
    <message>
        <source>it has expired</source>
        <translation>it has expired</translation>
    </message>
    <message>
        <source>it is not valid yet</source>
        <translation>it is not valid yet</translation>
    </message>
    <message>
        <source>it is for another host (wrong host)</source>
        <translation>it is for another host (wrong host)</translation>
    </message>
    <message>
        <source>its issuer is unknown (unknown issuer)</source>
        <translation>its issuer is unknown (unknown issuer)</translation>
    </message>
    <message>
        <source>Certificate of %1 refused: %2</source>
        <translation>Certificate of %1 refused: %2</translation>
    </message>
</context>
<context>
    <name>UrlPattern</name>
    <message>
        <source>Column %1: %2</source>
        <translation>Column %1: %2</translation>
    </message>
    <message>
        <source>%1 is past the largest 64-bit number.</source>
        <translation>%1 is past the largest 64-bit number.</translation>
    </message>
    <message>
        <source>lists do not nest.</source>
        <translation>lists do not nest.</translation>
    </message>
    <message>
        <source>a list item cannot hold a range; write \%1 for the character itself.</source>
        <translation>a list item cannot hold a range; write \%1 for the character itself.</translation>
    </message>
    <message>
        <source>the "{" is not closed by a "}".</source>
        <translation>the "{" is not closed by a "}".</translation>
    </message>
    <message>
        <source>the "[" is not closed by a "]".</source>
        <translation>the "[" is not closed by a "]".</translation>
    </message>
    <message>
        <source>a range is written as [01-30], [a-z], [1-40:2] or [001-].</source>
        <translation>a range is written as [01-30], [a-z], [1-40:2] or [001-].</translation>
    </message>
    <message>
        <source>the step must be 1 or more.</source>
        <translation>the step must be 1 or more.</translation>
    </message>
    <message>
        <source>a range of letters cannot be open-ended.</source>
        <translation>a range of letters cannot be open-ended.</translation>
    </message>
    <message>
        <source>a range is of letters or of numbers, not both (%1).</source>
        <translation>a range is of letters or of numbers, not both (%1).</translation>
    </message>
    <message>
        <source>a range of letters keeps to one case (%1).</source>
        <translation>a range of letters keeps to one case (%1).</translation>
    </message>
    <message>
        <source>the range starts after it ends (%1 &gt; %2).</source>
        <translation>the range starts after it ends (%1 &gt; %2).</translation>
    </message>
    <message>
        <source>at most %1 ranges and lists in one URL.</source>
        <translation>at most %1 ranges and lists in one URL.</translation>
    </message>
    <message>
        <source>only the last range may be open-ended.</source>
        <translation>only the last range may be open-ended.</translation>
    </message>
    <message>
        <source>"%1" closes nothing; write \%1 for the character itself.</source>
        <translation>"%1" closes nothing; write \%1 for the character itself.</translation>
    </message>
    <message>
        <source>The ranges and lists make more than %1 jobs.</source>
        <translation>The ranges and lists make more than %1 jobs.</translation>
    </message>
    <message>
        <source>the list item "%1" holds a "/": name the files with a template instead.</source>
        <translation>the list item "%1" holds a "/": name the files with a template instead.</translation>
    </message>
    <message>
        <source>the path segment can be empty, which is no folder or file name.</source>
        <translation>the path segment can be empty, which is no folder or file name.</translation>
    </message>
    <message>
        <source>the path segment can be "%1", which is no folder or file name.</source>
        <translation>the path segment can be "%1", which is no folder or file name.</translation>
    </message>
</context>
<context>
    <name>UserPrompts</name>
    <message>
        <source>保存先フォルダ</source>
        <translation>Save folder</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>Find the series</source>
        <translation>Find the series</translation>
    </message>
    <message>
        <source>Ask the server which padding it writes and where the series starts and ends, with HEAD requests</source>
        <translation>Ask the server which padding it writes and where the series starts and ends, with HEAD requests</translation>
    </message>
</context>
<context>
    <name>WindowClientOptions</name>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
</context>
<context>
    <name>WindowMain</name>
    <message>
        <source>serifetch-cli works without one</source>
        <translation>serifetch-cli works without one</translation>
    </message>
    <message>
        <source>Usage: serifetch [OPTIONS] [URL]
Open the Serifetch window: list up a numbered series of files and fetch it.
URL, when given, is put into the URL box as the base URL.
Files are fetched over HTTP/1.1 and HTTPS, directly or through an HTTP proxy
(a plain http: request goes out as HTTP/1.0 unless keep-alive is on).

Options:
  -h, --help                  print this help and exit
  -V, --version               print the version and exit
Qt's own options (-platform NAME, -style NAME, ...) are taken too.

SIGTERM, SIGINT and SIGHUP close the window as File &gt; Exit does: the request
under way is aborted, the inputs, the layout and the job list are saved.

Exit status:
  0    the window was closed
  1    no display, or the profile folder is in use
</source>
        <translation>Usage: serifetch [OPTIONS] [URL]
Open the Serifetch window: list up a numbered series of files and fetch it.
URL, when given, is put into the URL box as the base URL.
Files are fetched over HTTP/1.1 and HTTPS, directly or through an HTTP proxy
(a plain http: request goes out as HTTP/1.0 unless keep-alive is on).

Options:
  -h, --help                  print this help and exit
  -V, --version               print the version and exit
Qt's own options (-platform NAME, -style NAME, ...) are taken too.

SIGTERM, SIGINT and SIGHUP close the window as File &gt; Exit does: the request
under way is aborted, the inputs, the layout and the job list are saved.

Exit status:
  0    the window was closed
  1    no display, or the profile folder is in use
</translation>
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

# The demo inside its Wine session (started by tools/demo/run): settings, then the program.
#   session.sh window|headless OUT_FOLDER BUILD_FOLDER
set -eu
mode=$1
out=$2
build=$3

winepath() { printf 'Z:%s' "$1" | tr / '\\'; }

key='HKCU\SOFTWARE\Oskaveld\Vexilo'
wine reg add "$key" /v sFavorite /d "$(winepath "$out/Favorites")" /f >/dev/null
# List vanished favorites and new or updated pages: both report pages are written.
wine reg add "$key" /v wD_Chk /t REG_DWORD /d 16 /f >/dev/null
wine reg add "$key" /v wN_Chk /t REG_DWORD /d 1 /f >/dev/null
wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null

if [ "$mode" = window ]; then
    # Report pages open in the desktop's browser, through Wine's bridge to it.
    wine reg add 'HKCR\htmlfile\shell\open\command' /ve /d 'winebrowser "%1"' /f >/dev/null
    exec wine "$out/app/Vexilo.exe"
fi

# Headless: pages the program opens are recorded instead of shown.
wine reg add 'HKCR\htmlfile\shell\open\command' /ve \
    /d "\"$(winepath "$build/tests/recorder.exe")\" \"%1\"" /f >/dev/null
export RECORDER_LOG="$(winepath "$out/opened.txt")"

# The driver says READY once the run is over and waits for a line: the screenshot is taken
# while the window still shows the run's result.
mkfifo "$out/.go"
exec 3<>"$out/.go"
wine "$build/tools/demo/demo_driver.exe" "$out/app/Vexilo.exe" "$out" <&3 |
    while read -r line; do
        case "$line" in
        READY*)
            import -window root "$out/screen.png"
            # The window alone: the desktop around it is one colour.
            convert "$out/screen.png" -trim +repage "$out/vexilo.png"
            echo >&3
            ;;
        esac
    done
exec 3>&-
rm -f "$out/.go"
# What was opened, in the order it was started, without the recorder's time stamps.
if [ -f "$out/opened.txt" ]; then
    sort "$out/opened.txt" | cut -f2- >"$out/opened.tmp" && mv "$out/opened.tmp" "$out/opened.txt"
fi

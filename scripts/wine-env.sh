#!/usr/bin/env bash
# Runs one command with a display and a Wine prefix of its own:
#
#   scripts/wine-env.sh <build folder> <command> [arguments...]
#
# Starts Xvfb on a free display, creates a throw-away Wine prefix inside the
# build folder (wineboot first, so that later starts are quick and quiet),
# keeps one Wine server alive while the command runs, and stops the server
# before Xvfb, whatever happens. The command sees DISPLAY, WINEPREFIX,
# WINEDEBUG=-all, a German locale and TALVEN_WINE (the 64-bit loader).
#
# Printing: the CUPS printer "PDF" (cups-pdf) is the default printer, so that
# Wine's default printer writes each document as a PDF file into
# TALVEN_PDF_DIR (~/PDF of the user, emptied here). The scheduler is started
# when it does not run, and stopped again at the end; the printer is added
# when it is missing, before the prefix is created: Wine takes its default
# printer from CUPS when it creates a prefix.
set -euo pipefail

build=${1:?build folder}
shift
[[ $# -gt 0 ]] || { echo "wine-env: no command" >&2; exit 2; }

export TALVEN_WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
[[ -x $TALVEN_WINE ]] || { echo "wine-env: $TALVEN_WINE missing (run scripts/setup.sh)" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "wine-env: Xvfb missing (run scripts/setup.sh)" >&2; exit 2; }

export WINEPREFIX=$(cd "$build" && pwd)/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
export TZ=UTC

# A display nobody uses: its lock file and socket are both absent.
display=
for n in $(seq 90 190); do
    if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then
        display=$n
        break
    fi
done
[[ -n $display ]] || { echo "wine-env: no free display" >&2; exit 2; }

xvfb_pid=
cupsd_pid=
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    timeout 20 "$WINESERVER" -w >/dev/null 2>&1 || true
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [[ -n $cupsd_pid ]]; then
        kill "$cupsd_pid" 2>/dev/null || true
        wait "$cupsd_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT INT TERM

scheduler_runs() { LC_ALL=C lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

# True when the PDF printer is there and the default one.
pdf_printer() {
    command -v cupsd >/dev/null && command -v lpadmin >/dev/null || return 1
    if ! scheduler_runs; then
        /usr/sbin/cupsd -f >/dev/null 2>&1 &
        cupsd_pid=$!
        for _ in $(seq 100); do
            scheduler_runs && break
            sleep 0.1
        done
    fi
    if ! lpstat -v PDF >/dev/null 2>&1; then
        lpadmin -p PDF -v cups-pdf:/ -E -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd >/dev/null 2>&1 || return 1
    fi
    [[ $(LC_ALL=C lpstat -d 2>/dev/null) == *": PDF" ]] || lpadmin -d PDF >/dev/null 2>&1 || return 1
}
export TALVEN_PDF_DIR="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
printer=no
if pdf_printer; then
    printer=yes
    rm -f "$TALVEN_PDF_DIR"/*.pdf
fi

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$display ]] && break
    sleep 0.1
done

# A prefix made before the printer existed has no default printer.
if [[ ! -f $WINEPREFIX/system.reg ]] ||
   { [[ $printer == yes ]] && ! grep -qs '^"device"="PDF,' "$WINEPREFIX/user.reg"; }; then
    rm -rf "$WINEPREFIX"
    timeout 300 "$TALVEN_WINE" wineboot --init >/dev/null 2>&1 || true
fi
# No window manager runs on the display: Wine keeps its windows to itself,
# or hiding a window (every closed dialog) waits two seconds for one. Each
# Wine process reads this when it starts, the desktop process too: the
# server that started them goes, so that none keeps the old setting.
if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
    "$TALVEN_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    "$WINESERVER" -k >/dev/null 2>&1 || true
    timeout 60 "$WINESERVER" -w >/dev/null 2>&1 || true
fi
# One server for the whole run: every start after this one is quick.
"$WINESERVER" -p >/dev/null 2>&1 || true
timeout 120 "$TALVEN_WINE" wineboot >/dev/null 2>&1 || true

set +e
"$@"
status=$?
exit $status

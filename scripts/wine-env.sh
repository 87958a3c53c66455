# Helpers for running the program under Wine on a private X server.
# Sourced by scripts/run.sh and tests/e2e/run_e2e.sh; not run on its own.
#
# Everything started here is remembered by process id and stopped by that id
# (xy_cleanup), never by name: other runs may share the machine.

XY_XVFB_PID=""
XY_WINESERVER_PREFIX=""

xy_log() { printf '[%s] %s\n' "${XY_LOG_TAG:-wine-env}" "$*" >&2; }

# Environment of every Wine process started from here.
xy_wine_env() {
    export WINEDEBUG=-all
    # No add-on installer dialogs on the first start, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # The program runs with the Chinese code page (936); nothing may override it.
    unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE
    export LANG=zh_CN.UTF-8
}

# xy_start_xvfb WIDTH HEIGHT [FIRST LAST]: starts Xvfb on the first free display :FIRST..:LAST (:80..:99)
# and exports DISPLAY. A display counts as taken while its lock file names a
# live process.
xy_start_xvfb() {
    local w=$1 h=$2 first=${3:-80} last=${4:-99} n lock pid
    for n in $(seq "$first" "$last"); do
        lock=/tmp/.X$n-lock
        if [[ -e $lock ]]; then
            pid=$(tr -dc 0-9 <"$lock" 2>/dev/null || true)
            if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then continue; fi
        fi
        Xvfb ":$n" -screen 0 "${w}x${h}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
        pid=$!
        local i
        for i in $(seq 1 100); do
            if ! kill -0 "$pid" 2>/dev/null; then break; fi
            if [[ -S /tmp/.X11-unix/X$n ]] && DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
                XY_XVFB_PID=$pid
                export DISPLAY=":$n"
                xy_log "Xvfb ${w}x${h} on $DISPLAY (pid $pid)"
                return 0
            fi
            sleep 0.05
        done
        # Lost the race for this display or too slow: try the next one.
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    xy_log "no free X display in :$first..:$last"
    return 1
}

xy_stop_xvfb() {
    if [[ -n $XY_XVFB_PID ]]; then
        kill "$XY_XVFB_PID" 2>/dev/null || true
        wait "$XY_XVFB_PID" 2>/dev/null || true
        XY_XVFB_PID=""
    fi
}

# xy_prepare_prefix DIR: creates the Wine prefix once (about 11 s) and keeps
# it; a prefix whose creation did not finish is made again. Needs DISPLAY.
xy_prepare_prefix() {
    local prefix=$1
    if [[ -f $prefix/.xy-ready ]]; then return 0; fi
    xy_log "creating Wine prefix $prefix"
    rm -rf "$prefix"
    mkdir -p "$prefix"
    local reg
    reg=$(mktemp --suffix=.reg)
    # No window manager on the private display: Wine draws frames and title
    # bars itself.
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n"Managed"="N"\r\n\r\n' >"$reg"
    WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1 || { rm -f "$reg"; xy_log "wineboot failed"; return 1; }
    WINEPREFIX=$prefix wine regedit /S "$reg" >/dev/null 2>&1 || { rm -f "$reg"; xy_log "regedit failed"; return 1; }
    WINEPREFIX=$prefix wineserver -w
    rm -f "$reg"
    touch "$prefix/.xy-ready"
}

# xy_start_wineserver DIR: a persistent server makes every later start fast.
xy_start_wineserver() {
    XY_WINESERVER_PREFIX=$1
    WINEPREFIX=$1 wineserver -p
}

# Ends every Wine process of the prefix and its server.
xy_stop_wineserver() {
    if [[ -n $XY_WINESERVER_PREFIX ]]; then
        WINEPREFIX=$XY_WINESERVER_PREFIX wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX=$XY_WINESERVER_PREFIX timeout 10 wineserver -w >/dev/null 2>&1 || true
        XY_WINESERVER_PREFIX=""
    fi
}

xy_cleanup() {
    xy_stop_wineserver
    xy_stop_xvfb
}

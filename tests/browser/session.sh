#!/usr/bin/env bash
# The Linux side of the extension's end-to-end test, started by the test under Wine:
#   session.sh start <work dir> <host exe> <page url> <host manifest>   Chromium (on $DISPLAY)
#       with the extension as the build ships it beside the program, and the host manifest the
#       program wrote, its path mapped to a command that runs the host under Wine
#       (a sixth argument "nokey": a fresh profile, no key chosen for the command), on a
#       private session bus whose notification server writes each notification Chromium
#       sends it as "summary<TAB>body" into <work dir>/notifications.txt
#   session.sh windows <work dir>                        the visible windows, one a line (id, name,
#                                                       x, y, width, height) into <work dir>/windows.txt
#   session.sh click <work dir> <x> <y> <n>             n left clicks at x,y of the window (2 select
#                                                       a word, 3 a paragraph)
#   session.sh menu <work dir> <x> <y> <ups> [clear]     right-click at x,y of the window (a click
#                                                       there first with "clear"), then Up that
#                                                       many times and Enter
#   session.sh press <work dir> [keys]                  focuses Chromium's window, presses the keys
#                                                       (xdotool names; Alt+Shift+Z by default)
#   session.sh stop <work dir>                          ends Chromium and its session bus
# Progress goes to <work dir>/session.log; <work dir>/<command>.done tells the test that a
# command is over (Wine gives it no handle to wait on for a Linux program).
set -u
cmd=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
log=$work/session.log
case $cmd in
start)
  host_exe=$3 url=$4 manifest=$5
  mkdir -p "$work/profile/NativeMessagingHosts"
  # Chromium starts the host with its own environment: the test's Wine prefix and display.
  cat > "$work/host.sh" <<HOST
#!/bin/sh
export WINEPREFIX='$WINEPREFIX' DISPLAY='$DISPLAY' WINEDEBUG=-all LC_ALL=C.UTF-8
echo "host started" >> '$log'
exec ${WINE64:-/usr/lib/wine/wine64} '$host_exe' "\$@"
HOST
  chmod +x "$work/host.sh"
  # Everything but the path as the program wrote it (a Linux browser cannot run the .exe).
  python3 - "$manifest" "$work/host.sh" "$work/profile/NativeMessagingHosts/zelvane.host.json" <<'MAP' >> "$log" 2>&1
import json, sys
m = json.load(open(sys.argv[1], encoding="utf-8"))
print("program's manifest:", json.dumps(m))
m["path"] = sys.argv[2]
json.dump(m, open(sys.argv[3], "w"))
MAP
  # Chromium does not give an extension Alt+Shift+Z by itself (the browser keeps that key for
  # its own use); the profile carries it as a user's choice in the shortcut settings would.
  mkdir -p "$work/profile/Default"
  [ "${6:-}" = nokey ] || printf '{"extensions":{"commands":{"linux:Alt+Shift+Z":{"command_name":"capture-selection","extension":"nkndjhdhndlkpaannbfjmokimdalnfhf","global":false}}}}\n' \
    > "$work/profile/Default/Preferences"
  # Chromium hands notifications to the server that owns org.freedesktop.Notifications on its
  # session bus when it starts (else it draws its own windows): a recorder owns it first.
  dbus-daemon --session --fork --print-address=1 --print-pid=1 > "$work/bus.txt" 2>> "$log"
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$work/bus.txt")
  setsid /usr/bin/python3 - "$work/notifications.txt" <<'RECORD' >> "$log" 2>&1 &
import sys
import dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
NAME, PATH = "org.freedesktop.Notifications", "/org/freedesktop/Notifications"

class Recorder(dbus.service.Object):
    count = 0

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        # Chromium needs both; without "body-markup" the body comes as the extension wrote it.
        return ["body", "actions"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ["recorder", "zelvane", "1.0", "1.2"]

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        with open(sys.argv[1], "a", encoding="utf-8") as out:
            out.write(" ".join(summary.split()) + "\t" + " ".join(body.split()) + "\n")
        Recorder.count += 1
        return dbus.UInt32(replaces or Recorder.count)

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def CloseNotification(self, number):
        self.NotificationClosed(number, 3)

    @dbus.service.signal(NAME, signature="uu")
    def NotificationClosed(self, number, reason):
        pass

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, number, key):
        pass

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
owner = dbus.service.BusName(NAME, bus)
recorder = Recorder(bus, PATH)
open(sys.argv[1], "a").close()   # ready
GLib.MainLoop().run()
RECORD
  echo $! > "$work/recorder.pid"
  for _ in $(seq 100); do [ -e "$work/notifications.txt" ] && break; sleep 0.1; done
  [ -e "$work/notifications.txt" ] || echo "no notification recorder" >> "$log"
  echo "start $url" >> "$log"
  # Its own session: stop ends the whole group.
  setsid chromium --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
    --disable-dev-shm-usage --password-store=basic --user-data-dir="$work/profile" \
    --load-extension="$root/dist/win64/browser-extension" --window-position=0,0 --window-size=900,700 \
    "$url" >> "$work/chromium.log" 2>&1 &
  echo $! > "$work/chromium.pid"
  ;;
menu)
  win=$(timeout 30 xdotool search --sync --onlyvisible --name 'Zelvane e2e' | head -1)
  [ -n "$win" ] || { echo "no Chromium window" >> "$log"; touch "$work/$cmd.done"; exit 1; }
  xdotool windowraise "$win" windowfocus --sync "$win" >> "$log" 2>&1
  [ "${6:-}" = clear ] && xdotool mousemove --window "$win" "$3" "$4" click 1 && sleep 0.5
  xdotool mousemove --window "$win" "$3" "$4" click 3
  sleep 1.5
  for _ in $(seq "$5"); do xdotool key Up; sleep 0.2; done
  xdotool key Return
  echo "menu at $3,$4, $5 up" >> "$log"
  ;;
click)
  win=$(timeout 30 xdotool search --sync --onlyvisible --name 'Zelvane e2e' | head -1)
  [ -n "$win" ] || { echo "no Chromium window" >> "$log"; touch "$work/$cmd.done"; exit 1; }
  xdotool windowraise "$win" windowfocus --sync "$win" >> "$log" 2>&1
  xdotool mousemove --window "$win" "$3" "$4" click --repeat "$5" --delay 80 1
  sleep 0.5
  echo "$5 clicks at $3,$4" >> "$log"
  ;;
windows)
  : > "$work/windows.txt"
  for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    echo "$w|$(xdotool getwindowname "$w")|$X|$Y|$WIDTH|$HEIGHT" >> "$work/windows.txt"
  done
  ;;
press)
  # Without a window manager the focus is set directly; the page title names the window.
  win=$(timeout 30 xdotool search --sync --onlyvisible --name 'Zelvane e2e' | head -1)
  [ -n "$win" ] || { echo "no Chromium window" >> "$log"; touch "$work/$cmd.done"; exit 1; }
  xdotool windowraise "$win" windowfocus --sync "$win" >> "$log" 2>&1
  sleep 0.5
  keys=${3:-alt+shift+z}
  xdotool key --clearmodifiers "$keys" >> "$log" 2>&1
  echo "pressed $keys on $win" >> "$log"
  ;;
stop)
  pid=$(cat "$work/chromium.pid" 2>/dev/null) && kill -- "-$pid" 2>/dev/null
  sleep 1
  [ -n "${pid:-}" ] && kill -9 -- "-$pid" 2>/dev/null
  pid=$(cat "$work/recorder.pid" 2>/dev/null) && kill "$pid" 2>/dev/null
  pid=$(sed -n 2p "$work/bus.txt" 2>/dev/null) && [ -n "$pid" ] && kill "$pid" 2>/dev/null
  echo "stopped" >> "$log"
  ;;
esac
touch "$work/$cmd.done"
exit 0

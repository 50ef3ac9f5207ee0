#!/usr/bin/env bash
# web-ext lint on the extension: no errors, and no warning but the one every manifest for
# both browser families gets (Firefox ignores the service worker that Chromium needs).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
json=$(timeout 120 "$root/build/node/node_modules/.bin/web-ext" lint --source-dir "$root/browser-extension" --output json)
printf '%s\n' "$json" | python3 -c '
import json, sys
d = json.load(sys.stdin)
for kind in ("errors", "warnings", "notices"):
    for m in d[kind]:
        print(kind[:-1], m["code"], m["message"])
unexpected = [w for w in d["warnings"] if w["code"] != "BACKGROUND_SERVICE_WORKER_IGNORED"]
sys.exit(1 if d["errors"] or unexpected else 0)'

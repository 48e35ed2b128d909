#!/usr/bin/env bash
# Checks that every #include "folder/..." between our top folders follows
# tools/include-rules.txt; names each include that breaks a rule, and fails.
set -eu
cd "$(dirname "$0")/.."
rules=tools/include-rules.txt
git ls-files '*.cpp' '*.h' '*.rc' |
awk -v rules="$rules" '
BEGIN {
    while ((getline line < rules) > 0) {
        sub(/#.*/, "", line)
        if (line ~ /->/) {
            split(line, p, /[ \t]*->[ \t]*/)
            gsub(/[ \t]/, "", p[1]); gsub(/[ \t]/, "", p[2])
            exception[p[1] " " p[2]] = 1
        } else if (line ~ /:/) {
            folder = line; sub(/:.*/, "", folder); gsub(/[ \t]/, "", folder)
            known[folder] = 1
            allowed[folder " " folder] = 1
            rest = line; sub(/^[^:]*:/, "", rest)
            n = split(rest, uses, /[ \t]+/)
            for (i = 1; i <= n; ++i)
                if (uses[i] != "") allowed[folder " " uses[i]] = 1
            rule[folder] = line
        }
    }
}
{
    file = $0
    if (index(file, "/") == 0) next
    from = substr(file, 1, index(file, "/") - 1)
    if (!(from in known)) { printf "%s: folder %s has no rule in %s\n", file, from, rules; bad = 1; next }
    lineno = 0
    while ((getline text < file) > 0) {
        ++lineno
        if (text !~ /^[ \t]*#[ \t]*include[ \t]*"/) continue
        header = text; sub(/^[^"]*"/, "", header); sub(/".*/, "", header)
        if (index(header, "/") == 0) continue
        to = substr(header, 1, index(header, "/") - 1)
        if (!(to in known)) continue
        if ((from " " to) in allowed || (file " " header) in exception) continue
        printf "%s:%d: includes %s, but the rule \"%s\" does not let %s use %s\n", file, lineno, header, rule[from], from, to
        bad = 1
    }
    close(file)
}
END { exit bad }'

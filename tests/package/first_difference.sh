#!/usr/bin/env bash
# Compares two builds' release files, folder against folder, and names the first file that
# differs: a file that one folder has and the other has not, or whose bytes differ, with
# the offset of the first differing byte. A Debian package is opened and compared member by
# member, so that the file inside it that differs is named (usr/games/varnoth, control).
# Exit 0 when every file is the same, 1 otherwise.
#
#   first_difference.sh FOLDER_A FOLDER_B
set -u
a=$(realpath "$1") b=$(realpath "$2")

# same A B LABEL: compares two files; prints the first difference under LABEL and fails.
same() {
    if ! cmp -s "$1" "$2"; then
        if [[ $1 == *.deb ]] && first_in_deb "$1" "$2" "$3"; then return 1; fi
        local found
        found=$(cmp "$1" "$2" 2>&1)
        case $found in
            *" differ: byte "*) found="from byte $(sed 's/.* differ: byte \([0-9]*\).*/\1/' <<<"$found")" ;;
            *"EOF on $1 "*) found="the one in $a is shorter" ;;
            *) found="the one in $b is shorter" ;;
        esac
        echo "first difference: $3 ($found)"
        return 1
    fi
}

# first_in_deb A B LABEL: unpacks both packages and compares them member by member; true
# when it named the member that differs.
first_in_deb() {
    local work status
    work=$(mktemp -d)
    dpkg-deb --raw-extract "$1" "$work/a" 2>/dev/null && dpkg-deb --raw-extract "$2" "$work/b" 2>/dev/null ||
        { rm -rf "$work"; return 1; }
    compare_trees "$work/a" "$work/b" "$3: "
    status=$?
    rm -rf "$work"
    # Equal members in unequal packages: the difference is in the archive itself (a
    # member's time, owner or mode, or the order of members).
    [ "$status" -ne 0 ] || echo "first difference: $3: the archive (members' times, owners, modes or order)"
    return 0
}

# compare_trees A B PREFIX: every file of either tree, in name order.
compare_trees() {
    local name
    while IFS= read -r name; do
        if [ ! -e "$1/$name" ] || [ ! -e "$2/$name" ]; then
            echo "first difference: $3$name: only in $([ -e "$1/$name" ] && echo "$1" || echo "$2")"
            return 1
        fi
        [ -d "$1/$name" ] || same "$1/$name" "$2/$name" "$3$name" || return 1
    done < <(find "$1" "$2" -mindepth 1 -printf '%P\n' | LC_ALL=C sort -u)
}

compare_trees "$a" "$b" ""

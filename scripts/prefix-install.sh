#!/usr/bin/env bash
# Installs a built tree into a prefix, or removes what an earlier install put
# there, and refreshes the prefix's MIME and desktop-entry databases.
#
# usage: prefix-install.sh install BUILD_DIR PREFIX
#        prefix-install.sh uninstall PREFIX
#
# The list of installed files is kept in the prefix itself
# (share/quillmark2/installed-files.txt), so uninstalling needs neither the
# build folder nor the same build: only files listed there and lying inside
# the prefix are removed.
set -euo pipefail

fail() {
  echo "prefix-install: $*" >&2
  exit 1
}

# The databases that file managers and menus read; missing tools are skipped.
refresh() {
  local share=$1/share
  if [ -d "$share/mime/packages" ] && command -v update-mime-database >/dev/null; then
    update-mime-database "$share/mime"
  fi
  if [ -d "$share/applications" ] && command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$share/applications"
  fi
  # Only a theme folder that already has a cache needs it rebuilt.
  if [ -f "$share/icons/hicolor/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t -f "$share/icons/hicolor" || true
  fi
}

action=${1:-}
case "$action" in
  install)
    [ $# -eq 3 ] || fail "usage: prefix-install.sh install BUILD_DIR PREFIX"
    build=$2
    prefix=$(realpath -m -- "$3")
    [ -f "$build/cmake_install.cmake" ] || fail "$build is not a configured build folder"
    list=$prefix/share/quillmark2/installed-files.txt
    cmake --install "$build" --prefix "$prefix"
    # The manifest of this install, plus the list itself.
    { cat "$build/install_manifest.txt"; echo; echo "$list"; } | sed '/^$/d' | sort -u >"$list.new"
    mv "$list.new" "$list"
    refresh "$prefix"
    echo "prefix-install: installed into $prefix ($(wc -l <"$list") files)"
    ;;
  uninstall)
    [ $# -eq 2 ] || fail "usage: prefix-install.sh uninstall PREFIX"
    prefix=$(realpath -m -- "$2")
    list=$prefix/share/quillmark2/installed-files.txt
    [ -f "$list" ] || fail "nothing of ours is installed in $prefix (no $list)"
    removed=0
    dirs=()
    while IFS= read -r file; do
      [ -n "$file" ] || continue
      case "$file" in
        "$prefix"/*) ;;
        *) echo "prefix-install: skipping $file (outside $prefix)" >&2; continue ;;
      esac
      [ "$file" = "$list" ] && continue
      if [ -e "$file" ] || [ -L "$file" ]; then
        rm -f -- "$file"
        removed=$((removed + 1))
      fi
      dirs+=("$(dirname -- "$file")")
    done <"$list"
    rm -f -- "$list"
    dirs+=("$(dirname -- "$list")")
    # Folders left empty, deepest first, never the prefix's top folders nor
    # the MIME packages folder (its database is rebuilt from it below).
    while IFS= read -r dir; do
      while [ "$dir" != "$prefix" ] && [ "$dir" != "$prefix/bin" ] && [ "$dir" != "$prefix/share" ] &&
            [ "$dir" != "$prefix/share/mime/packages" ] &&
            [ -d "$dir" ] && [ -z "$(ls -A -- "$dir")" ]; do
        rmdir -- "$dir"
        dir=$(dirname -- "$dir")
      done
    done < <(printf '%s\n' "${dirs[@]}" | sort -u -r)
    refresh "$prefix"
    echo "prefix-install: removed $removed files from $prefix"
    ;;
  *)
    fail "usage: prefix-install.sh install BUILD_DIR PREFIX | uninstall PREFIX"
    ;;
esac

#!/usr/bin/env bash
# Every dependency points down: each folder of src/ includes only itself and
# the folders its targets link, as the build declares them (the file the
# build writes from target_link_libraries: "folder: below..."), so the
# command-line front end (app) and the window (ui) are two faces on the same
# documents and neither depends on the other.
#
#   Layering.sh SOURCE_DIR LAYERS_FILE
set -u
layers=${2:?usage: Layering.sh SOURCE_DIR LAYERS_FILE}
declare -A allowed=()
while IFS=: read -r folder below; do
  [ -n "$folder" ] && allowed[$folder]=$below
done <"$layers" || exit 2
cd "$1/src" || exit 2
status=0
for folder in */; do
  folder=${folder%/}
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder has no targets in the build"
    status=1
    continue
  fi
  while IFS=: read -r file include; do
    target=${include#*\"}
    target=${target%%/*}
    case " $folder ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "$folder/$file includes $target, which $folder does not link"; status=1 ;;
    esac
  done < <(cd "$folder" && grep -rHoE '^#include "[a-z]+/' --include='*.h' --include='*.cpp' . | sed 's#^\./##')
done
# No two folders may reach each other: the layers form no cycle.
for folder in "${!allowed[@]}"; do
  for below in ${allowed[$folder]}; do
    case " ${allowed[$below]-} " in
      *" $folder "*) echo "src/$folder and src/$below link each other"; status=1 ;;
    esac
  done
done
exit $status

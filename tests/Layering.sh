#!/usr/bin/env bash
# Every dependency points down: each folder of src/ includes only itself and
# the folders below it, so the command-line front end (app) and the window (ui)
# are two faces on the same documents and neither depends on the other.
set -u
cd "$1/src" || exit 2
declare -A allowed=(
  [platform]=""
  [shellext]=""
  [fileio]="platform"
  [editor]="fileio platform"
  [request]="platform"
  [textcompare]="request editor fileio platform"
  [foldercompare]="textcompare request editor fileio platform"
  [binarycompare]="foldercompare textcompare request editor fileio platform"
  [persist]="binarycompare foldercompare textcompare request editor fileio platform"
  [tools]="platform"
  [vcs]="platform"
  [integration]="shellext platform"
  [launch]="persist binarycompare foldercompare textcompare request editor fileio platform"
  [integration]="shellext persist request platform"
  [app]="vcs shellext integration launch tools persist binarycompare foldercompare textcompare request editor fileio platform"
  [ui]="vcs shellext integration launch tools persist binarycompare foldercompare textcompare request editor fileio platform"
)
status=0
for folder in */; do
  folder=${folder%/}
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder has no place in the layers of tests/Layering.sh"
    status=1
    continue
  fi
  while IFS=: read -r file include; do
    target=${include#*\"}
    target=${target%%/*}
    case " $folder ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "$folder/$file includes $target, which is not below it"; status=1 ;;
    esac
  done < <(cd "$folder" && grep -rHoE '^#include "[a-z]+/' --include='*.h' --include='*.cpp' . | sed 's#^\./##')
done
exit $status

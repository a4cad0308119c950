#!/usr/bin/env bash
# Draws the window on the sample comparisons of the window's screenshot tests
# (offscreen, no display needed) and keeps the picture for the README.
set -euo pipefail
cd "$(dirname "$0")/.."
./setup.sh >/dev/null
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs" build/ui_tests Screenshot >/dev/null
echo "docs/text-comparison.png"
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" \
  build/ui_binary_tests ScatteredDifferencesAreColouredAndVisited TheHexEditor >/dev/null
echo "docs/screenshots/binary-view.png docs/screenshots/hex-editor.png"
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" build/folder_view_tests Screenshot >/dev/null
echo "docs/screenshots/folder-view.png"
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" build/find_in_files_view_tests searchListsFilesAndHits >/dev/null
echo "docs/screenshots/find-in-files.png"
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" \
  build/text_search_view_tests HighlightAllMarksEveryMatchInBothPanes >/dev/null
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" \
  build/folder_details_view_tests FolderDetailPaneShowsTheCurrentPair >/dev/null
echo "docs/screenshots/highlight-all.png docs/screenshots/folder-details.png"
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" build/main_frame_start_tests Screenshot >/dev/null
echo "docs/screenshots/start-page.png"
QT_QPA_PLATFORM=offscreen CORVATINE_SCREENSHOTS="$PWD/docs/screenshots" build/merge_window_tests screenshotOfARealConflict >/dev/null
echo "docs/screenshots/merge-window.png"

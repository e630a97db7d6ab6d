#!/bin/sh
# An engine that answers every search with the move text in TV_BAD_MOVE
# (e2e5 when unset): illegal or no move at all.
move=${TV_BAD_MOVE:-e2e5}
playing=0
while read -r line; do
  case "$line" in
    new) playing=1 ;;
    force) playing=0 ;;
    go) playing=1; echo "move $move" ;;
    [a-h][1-8][a-h][1-8]*) [ "$playing" = 1 ] && echo "move $move" ;;
  esac
done

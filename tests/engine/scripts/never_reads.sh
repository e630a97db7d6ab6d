#!/bin/sh
# An engine that hangs: it says one line and never reads its input.
echo "feature done=1"
exec sleep 600

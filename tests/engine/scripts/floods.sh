#!/bin/sh
# An engine that floods its output and never reads.
exec yes "# flooding the output with the same line"

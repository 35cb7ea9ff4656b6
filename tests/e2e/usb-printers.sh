#!/bin/bash
# Stand-in USB label printers for one test prefix (run by run-in-fresh-prefix.sh --setup,
# with WINEPREFIX set). Each is a link in the prefix's dosdevices under the name that Wine's
# SetupAPI reports for a USB printing interface, so that opening the interface path opens
# what the link points at. The test program makes an interface present or absent through
# its registry keys; the links stay.
#
#   vid_0525&pid_a701, tv0001: a file, C:\usb\tv0001 (what the printer received)
#   vid_0525&pid_7d3c, tv0002: a file, C:\usb\tv0002
#   vid_0525&pid_a701, tvfull: /dev/full (every write fails)
#   vid_0525&pid_a701, tvfifo: a FIFO nobody reads (writes pend once its 64 KiB are full)
set -eu

guid='{28d78fad-5a12-11d1-ae5b-0000f803a8c2}'
links=$WINEPREFIX/dosdevices
files=$WINEPREFIX/drive_c/usb
mkdir -p "$files"
: >"$files/tv0001"
: >"$files/tv0002"
mkfifo "$WINEPREFIX/usb-fifo"

ln -sfn "$files/tv0001" "$links/usb#vid_0525&pid_a701#tv0001#$guid"
ln -sfn "$files/tv0002" "$links/usb#vid_0525&pid_7d3c#tv0002#$guid"
ln -sfn /dev/full "$links/usb#vid_0525&pid_a701#tvfull#$guid"
ln -sfn "$WINEPREFIX/usb-fifo" "$links/usb#vid_0525&pid_a701#tvfifo#$guid"

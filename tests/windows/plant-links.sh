#!/bin/sh
# plant-links.sh DIR SAMPLE: links planted from the Linux side, which Wine follows the way
# Windows follows a junction or a file link, for the checked-folder tests, the installation
# runs into a documents folder and the shortcuts. Everything a link leads to lies under
# DIR/victims; SAMPLE is the shipped sample ledger. DIR is made anew.
set -e
dir=$1 sample=$2
rm -rf "$dir"
mkdir -p "$dir/victims" "$dir/seam/folder" "$dir/docs-temporary" "$dir/docs-sample" "$dir/docs-second" \
  "$dir/docs-target"
v=$dir/victims

# Desktops: one with a link at the shortcut's name, one that is a link to another folder.
mkdir -p "$dir/desktop" "$dir/desktop-target"
printf victim >"$v/shortcut.lnk"
ln -s ../victims/shortcut.lnk "$dir/desktop/Corvale.lnk"
ln -s desktop-target "$dir/desktop-link"

# The seam: a plain folder with plain files, a file link and a second name of a file outside it,
# and a link to the folder.
printf plain >"$dir/seam/folder/plain.txt"
printf kept >"$dir/seam/folder/kept.txt"
printf victim >"$v/victim.txt"
printf 'replaced victim' >"$v/replaced.txt"
printf second >"$v/second.txt"
ln -s ../../victims/victim.txt "$dir/seam/folder/linked.txt"
ln -s ../../victims/replaced.txt "$dir/seam/folder/replaced.txt"
ln "$v/second.txt" "$dir/seam/folder/second.txt"
ln -s folder "$dir/seam/folder-link"

# Documents folders: the temporary file a link out of the folder; the sample a link to, or a
# second name of, a file with the shipped bytes; the folder itself a link to another folder
# that holds a sample and a temporary file.
printf victim >"$v/temporary.txt"
ln -s ../victims/temporary.txt "$dir/docs-temporary/~crv.tmp"
cp "$sample" "$v/sample.mpl"
ln -s ../victims/sample.mpl "$dir/docs-sample/sample.mpl"
cp "$sample" "$v/second.mpl"
ln "$v/second.mpl" "$dir/docs-second/sample.mpl"
cp "$sample" "$dir/docs-target/sample.mpl"
printf victim >"$dir/docs-target/~crv.tmp"
ln -s docs-target "$dir/docs-linked"

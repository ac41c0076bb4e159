# Building the packer and configuring a Windows-side tree, sourced by every script and test
# harness that makes a tree of its own. The arguments come from cmake/windows_tree.cmake, as
# those of the build's own Windows side do (cmake/native.cmake).
#
#   windows_packer NATIVE_TREE      configures NATIVE_TREE natively and builds the packer in
#                                   it: NATIVE_TREE/packer
#   windows_configure ARCH TREE PACKER [CMAKE OPTIONS...]
#                                   configures TREE to cross-build for ARCH (i686, the shipped
#                                   setup, or x86_64, the 64-bit test build), packing with PACKER
#   windows_payload_files TREE [KIND]
#                                   the names of the payload files of a configured TREE, in the
#                                   setup's order; with KIND only the programs or the data files
#   windows_payload_source TREE NAME
#                                   the file that TREE builds for the payload file NAME
#   windows_payload_targets TREE    the targets that build TREE's payload files
#
# The commands print what cmake prints; callers redirect it.
windows_tree_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

windows_packer() {
  cmake -S "$windows_tree_top" -B "$1" -G Ninja && cmake --build "$1" --target packer
}

windows_configure() {
  local arch=$1 tree=$2 packer=$3 printed
  shift 3
  local arguments=()
  printed=$(cmake -DARCH="$arch" -DPACKER="$packer" -P "$windows_tree_top/cmake/windows_tree.cmake") || return 1
  readarray -t arguments <<<"$printed"
  cmake -S "$windows_tree_top" -B "$tree" -G Ninja "${arguments[@]}" "$@"
}

# The build writes the list into the tree when it is configured (payload-files.txt: one file
# a line, "NAME KIND SOURCE", tab-separated).
windows_payload_files() {
  local list=$1/payload-files.txt
  [ -f "$list" ] || { echo "windows-tree: no $list; configure the tree first" >&2; return 1; }
  awk -F '\t' -v kind="${2:-}" '!/^#/ && (kind == "" || $2 == kind) { print $1 }' "$list"
}

windows_payload_source() {
  local list=$1/payload-files.txt
  [ -f "$list" ] || { echo "windows-tree: no $list; configure the tree first" >&2; return 1; }
  awk -F '\t' -v name="$2" '!/^#/ && $1 == name { print $3; found = 1 } END { exit !found }' "$list"
}

# windows_payload_targets TREE: the targets that build TREE's payload files from payload/.
windows_payload_targets() {
  local list=$1/payload-files.txt
  [ -f "$list" ] || { echo "windows-tree: no $list; configure the tree first" >&2; return 1; }
  awk -F '\t' '!/^#/ && $4 != "-" { print $4 }' "$list"
}

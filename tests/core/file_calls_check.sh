#!/usr/bin/env bash
# The program's libraries outside the platform layer, read for the C and C++
# library calls that open, make, remove, rename, list or look at files and
# folders by path: none may be there, every such call goes through the
# platform's path walker.
# Usage: file_calls_check.sh LIBRARY...   (exit 1 and the calls found, else 0)
set -u

# Whole demangled names (nm -C), as the linker would look them up.
c_calls='fopen|fopen64|freopen|freopen64|open|open64|openat|openat64|creat|creat64|'\
'mkstemp|mkstemp64|mkstemps|mkostemp|mkostemps|mkdtemp|tmpfile|tmpfile64|popen|'\
'mkdir|mkdirat|mkfifo|mkfifoat|mknod|mknodat|rmdir|remove|unlink|unlinkat|'\
'rename|renameat|renameat2|link|linkat|symlink|symlinkat|truncate|truncate64|'\
'opendir|fdopendir|scandir|scandir64|scandirat|nftw|nftw64|ftw|ftw64|glob|glob64|'\
'stat|stat64|lstat|lstat64|fstatat|fstatat64|statx|__xstat|__xstat64|__lxstat|__lxstat64|'\
'__fxstatat|__fxstatat64|access|faccessat|euidaccess|eaccess|realpath|readlink|readlinkat'
fs_calls='create_directories|create_directory|create_directory_symlink|create_symlink|create_hard_link|'\
'copy|copy_file|copy_symlink|remove|remove_all|rename|resize_file|'\
'status|symlink_status|exists|file_size|last_write_time|equivalent|is_empty|hard_link_count|'\
'canonical|weakly_canonical|read_symlink|temp_directory_path'
pattern="^(${c_calls})(@.*)?\$"
pattern+="|^std::filesystem::(__cxx11::)?(${fs_calls})\\("
pattern+="|^std::filesystem::(__cxx11::)?(recursive_)?directory_iterator::"
pattern+="|^std::filesystem::(__cxx11::)?directory_entry::"
pattern+="|^std::basic_filebuf<.*>::open\\("
pattern+="|^std::__basic_file<.*>::(open|sys_open)\\("
pattern+="|^std::(__cxx11::)?basic_(i|o)?fstream<.*>::(basic_(i|o)?fstream|open)\\("

found=0
for library in "$@"; do
  if [[ ! -r "$library" ]]; then
    echo "cannot read $library" >&2
    exit 2
  fi
  calls=$(nm --undefined-only --demangle "$library" 2>/dev/null | sed -E 's/^ *U //' | grep -E "$pattern" | sort -u)
  if [[ -n "$calls" ]]; then
    echo "$(basename "$library") calls the file system by path around the platform layer:"
    echo "$calls" | sed 's/^/  /'
    found=1
  fi
done
exit $found

#!/bin/sh
# What the plug-in DLL asks of Windows, read from its import and export
# tables (mingw's objdump), so that it loads on Windows XP as on today's
# Windows, in any player folder, with nothing else installed:
#   - it imports only from Windows' own system DLLs (no libgcc, libstdc++ or
#     winpthread DLL, no newer C runtime);
#   - every imported function is on the list below, all of which Windows XP
#     already exports (a new import must be checked and added here on purpose);
#   - it exports exactly one name, winampGetGeneralPurposePlugin, undecorated;
#   - its header asks for no Windows newer than XP, and carries no time stamp.
#
#   tools/check-imports.sh DLL      (a PE32 i686 or PE32+ x86_64 build)
set -u
dll=$1
[ -f "$dll" ] || { echo "FAIL: no $dll (build it first)"; exit 1; }

# The system DLLs the plug-in may use, in upper case.
allowed_dlls='KERNEL32.DLL USER32.DLL OLE32.DLL MSVCRT.DLL'

# Functions the plug-in may import, each present in Windows XP (32-bit SP2
# and x64 alike).
allowed_functions='
  KERNEL32.DLL:CloseHandle KERNEL32.DLL:CreateFileA KERNEL32.DLL:ReadFile
  KERNEL32.DLL:SetFilePointer KERNEL32.DLL:GetPrivateProfileIntA
  KERNEL32.DLL:GetPrivateProfileStringA KERNEL32.DLL:WritePrivateProfileStringA
  KERNEL32.DLL:lstrlenW KERNEL32.DLL:GetModuleHandleExA
  KERNEL32.DLL:DeleteCriticalSection KERNEL32.DLL:EnterCriticalSection
  KERNEL32.DLL:InitializeCriticalSection KERNEL32.DLL:LeaveCriticalSection
  KERNEL32.DLL:FreeLibrary KERNEL32.DLL:GetLastError KERNEL32.DLL:GetModuleHandleA
  KERNEL32.DLL:GetProcAddress KERNEL32.DLL:LoadLibraryA KERNEL32.DLL:Sleep
  KERNEL32.DLL:TlsGetValue KERNEL32.DLL:VirtualProtect KERNEL32.DLL:VirtualQuery
  KERNEL32.DLL:GetProcessHeap KERNEL32.DLL:HeapAlloc KERNEL32.DLL:HeapFree
  KERNEL32.DLL:CreateFileW KERNEL32.DLL:GetFileSize KERNEL32.DLL:GetFileType
  KERNEL32.DLL:IsDBCSLeadByte KERNEL32.DLL:MultiByteToWideChar KERNEL32.DLL:lstrcpynW
  KERNEL32.DLL:lstrlenA KERNEL32.DLL:WideCharToMultiByte KERNEL32.DLL:GetPrivateProfileIntW
  KERNEL32.DLL:GetPrivateProfileStringW KERNEL32.DLL:WritePrivateProfileStringW
  KERNEL32.DLL:GetFileAttributesExA KERNEL32.DLL:GetFileAttributesExW KERNEL32.DLL:GetTickCount
  USER32.DLL:CheckMenuItem USER32.DLL:GetMenuState USER32.DLL:InsertMenuW USER32.DLL:IsMenu
  USER32.DLL:SetForegroundWindow
  USER32.DLL:CallWindowProcA USER32.DLL:CheckDlgButton USER32.DLL:DialogBoxParamW
  USER32.DLL:EnableWindow USER32.DLL:EndDialog USER32.DLL:FindWindowExA
  USER32.DLL:GetDlgItem USER32.DLL:GetDlgItemTextW USER32.DLL:IsDlgButtonChecked
  USER32.DLL:MessageBoxW USER32.DLL:SendDlgItemMessageW USER32.DLL:SendMessageA
  USER32.DLL:SendMessageTimeoutA USER32.DLL:SetDlgItemTextW USER32.DLL:SetWindowTextW
  USER32.DLL:ShowWindow USER32.DLL:wsprintfA USER32.DLL:wsprintfW USER32.DLL:IsWindow
  USER32.DLL:GetWindowLongA USER32.DLL:SetWindowLongA
  USER32.DLL:GetWindowLongPtrA USER32.DLL:SetWindowLongPtrA
  USER32.DLL:GetWindowLongW USER32.DLL:SetWindowLongW USER32.DLL:GetWindowLongPtrW
  USER32.DLL:SetWindowLongPtrW USER32.DLL:CallWindowProcW USER32.DLL:IsWindowUnicode
  USER32.DLL:GetWindowThreadProcessId USER32.DLL:IsWindowEnabled
  USER32.DLL:SetTimer USER32.DLL:KillTimer USER32.DLL:SetWinEventHook USER32.DLL:UnhookWinEvent
  OLE32.DLL:CoTaskMemAlloc OLE32.DLL:CoTaskMemFree
  MSVCRT.DLL:_amsg_exit MSVCRT.DLL:_initterm MSVCRT.DLL:_iob MSVCRT.DLL:__iob_func
  MSVCRT.DLL:_lock MSVCRT.DLL:_unlock MSVCRT.DLL:abort MSVCRT.DLL:calloc
  MSVCRT.DLL:free MSVCRT.DLL:malloc MSVCRT.DLL:realloc MSVCRT.DLL:fwrite
  MSVCRT.DLL:vfprintf MSVCRT.DLL:strlen MSVCRT.DLL:strncmp MSVCRT.DLL:memcpy
  MSVCRT.DLL:memmove MSVCRT.DLL:memset MSVCRT.DLL:wcslen MSVCRT.DLL:mbstowcs
  MSVCRT.DLL:memchr MSVCRT.DLL:memcmp
'

case $(od -An -tx1 -j0 -N2 "$dll" | tr -d ' \n') in 4d5a) ;; *) echo "FAIL: $dll is no PE file"; exit 1 ;; esac
format=$(x86_64-w64-mingw32-objdump -f "$dll" | sed -n 's/.*file format //p')
case $format in
    pei-i386) objdump=i686-w64-mingw32-objdump; max_subsystem=501 ;;   # Windows XP
    pei-x86-64) objdump=x86_64-w64-mingw32-objdump; max_subsystem=502 ;; # Windows XP x64
    *) echo "FAIL: $dll: unknown format $format"; exit 1 ;;
esac
dump=$($objdump -p "$dll") || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Imports: "DLL:function" per line.
imports=$(printf '%s\n' "$dump" | awk '
    /^The Import Tables/ { inside = 1 }
    /^The Export Tables/ || /^PE File Base Relocations/ || /^The Function Table/ { inside = 0 }
    inside && /DLL Name:/ { name = toupper($3) }
    inside && /^\t[0-9a-f]+\t/ && NF >= 3 { print name ":" $3 }
    inside && /^\t[0-9a-f]+\t/ && NF == 2 { print name ":#ordinal" }')
[ -n "$imports" ] || fail "no import table found"
for dllname in $(printf '%s\n' "$dump" | awk '/DLL Name:/ { print toupper($3) }' | sort -u); do
    case " $allowed_dlls " in
        *" $dllname "*) ;;
        *) case $dllname in
               LIBGCC*|LIBSTDC++*|LIBWINPTHREAD*) fail "imports the compiler's runtime DLL $dllname" ;;
               *) fail "imports $dllname, which is not on the list of system DLLs" ;;
           esac ;;
    esac
done
for entry in $imports; do
    case " $(echo $allowed_functions) " in
        *" $entry "*) ;;
        *) fail "imports $entry, which is not on the list of functions present since Windows XP" ;;
    esac
done

# Exports: one name, undecorated, and nothing exported by ordinal alone.
exports=$(printf '%s\n' "$dump" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && NF == 0 { inside = 0 }
    inside { print $NF }')
[ "$exports" = winampGetGeneralPurposePlugin ] || fail "exports [$(echo $exports)], expected only winampGetGeneralPurposePlugin"
addresses=$(printf '%s\n' "$dump" | awk '/Number in:/ { n = 1 } n && /Export Address Table/ { print $NF; exit }')
[ "$addresses" = 00000001 ] || fail "the export address table has $addresses entries, expected 1"

# Header: loads on XP, and no time stamp (the same sources give the same bytes).
major=$(printf '%s\n' "$dump" | awk '/^MajorSubsystemVersion/ { print $2 }')
minor=$(printf '%s\n' "$dump" | awk '/^MinorSubsystemVersion/ { print $2 }')
[ $((major * 100 + minor)) -le $max_subsystem ] || fail "needs Windows $major.$minor or later"
printf '%s\n' "$dump" | grep -q '^Time/Date.*1970$' || fail "the header carries a time stamp: $(printf '%s\n' "$dump" | grep '^Time/Date')"

echo "$dll ($format, $(wc -c <"$dll") bytes) imports:"
printf '%s\n' "$imports" | sed 's/^/  /'
echo "exports: $exports"
echo "$failures failure(s)"
[ $failures = 0 ]

#!/bin/sh
# Lays out 32-bit Wine under QEMU's user-mode emulator, for a machine whose kernel
# runs no 32-bit programs, in a folder of its own:
#   make_wine_folder.sh OUT PRELOAD
# OUT/lib/wine/wine is then the 32-bit loader (a script that starts the emulator)
# and OUT/lib/wine/wine64 the 64-bit one, which makes the prefix. PRELOAD is the
# folder holding lib/<multiarch>/zelvis_noreplace.so for both widths.
#
# NOTE: Debian's Wine starts every child process (the prefix's 32-bit set-up, a
# setup program's uninstaller) with the loaders in the folder of its own loader,
# whatever WINELOADER or PATH say. So the loaders are copies here, beside the
# script named `wine`, and the libraries and data are linked in where Wine looks
# for them from there (../x86_64-linux-gnu, ../i386-linux-gnu, ../../share/wine).
set -eu

[ $# -eq 2 ] || { echo "usage: make_wine_folder.sh OUT PRELOAD" >&2; exit 2; }
out=$1
preload=$2
emulator=$(command -v qemu-i386) || { echo "make_wine_folder: qemu-i386 not found (apt-get install qemu-user)" >&2; exit 1; }
for file in /usr/lib/wine/wine /usr/lib/wine/wine64 /usr/lib/wine/wineserver; do
    [ -e "$file" ] || { echo "make_wine_folder: $file not found (apt-get install wine32:i386 wine64)" >&2; exit 1; }
done

rm -rf "$out"
mkdir -p "$out/lib/wine" "$out/share"
cp /usr/lib/wine/wine "$out/lib/wine/wine-i386"
cp /usr/lib/wine/wine64 /usr/lib/wine/wineserver "$out/lib/wine/"
ln -s /usr/lib/x86_64-linux-gnu "$out/lib/x86_64-linux-gnu"
ln -s /usr/lib/i386-linux-gnu "$out/lib/i386-linux-gnu"
ln -s /usr/share/wine "$out/share/wine"

# NOTE: what the emulated process is given, its children inherit: the preloaded
# object is named through $LIB, which each width's loader reads as its own
# library folder, and the 64-bit twin is empty. Debian's Wine has no preloader, so
# the 32-bit loader must not try to start one (WINELOADERNOEXEC). llvmpipe's
# rasteriser threads crash at random under the emulator: the GL driver renders
# on the calling thread (LP_NUM_THREADS=0). -0 keeps this script's name as the
# loader's, so that Wine starts its 32-bit children through it.
cat >"$out/lib/wine/wine" <<SCRIPT
#!/bin/sh
exec "$emulator" -0 "\$0" -E 'LD_PRELOAD=$preload/\$LIB/zelvis_noreplace.so' \\
    -E WINELOADERNOEXEC=1 -E LP_NUM_THREADS=0 "$out/lib/wine/wine-i386" "\$@"
SCRIPT
chmod +x "$out/lib/wine/wine"

#!/usr/bin/env bash
# Builds the static libraries of the Windows build (zlib, libpng, libjpeg-turbo,
# libtiff, ImageMagick with Magick++) from Debian's source packages with the
# MinGW-w64 posix toolchain, into a cache outside the clone, once per set of
# source versions and compiler. Prints the prefix's path as its last line.
# Usage: windows-deps.sh HOST      (x86_64-w64-mingw32 or i686-w64-mingw32)
# TOLVEX_DEPS_CACHE overrides the cache folder.
set -euo pipefail
host=$1
here=$(cd "$(dirname "$0")" && pwd)
cache=${TOLVEX_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tolvex-mingw}
sources="zlib libpng1.6 libjpeg-turbo tiff imagemagick"
cc=$host-gcc-posix
jobs=${JOBS:-$(nproc)}

# Newest first: the security suite's versions lead.
versions_of() {
  apt-cache showsrc "$1" | awk '/^Version:/{print $2}' | sort -u |
    while read -r v; do echo "$v"; done | sort -r -V
}

# The key: the versions Debian offers, the compiler and this script.
key=$( {
  for p in $sources; do echo "$p $(versions_of "$p" | tr '\n' ' ')"; done
  $cc --version | head -n1
  cat "$0" "$here/../cmake/mingw-w64.cmake"
} | sha256sum | cut -c1-16)
prefix=$cache/$host-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
work=$cache/$host-$key.work
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
log=$work/build.log
echo "Building the $host libraries into $prefix (log: $log)" >&2
started=$SECONDS
trap 'echo "windows-deps.sh: failed; the log ends:" >&2; tail -n 40 "$log" >&2' ERR

# The newest version whose files the archive still serves.
fetch() {
  local pkg=$1 v dir
  for v in $(versions_of "$pkg"); do
    dir=$work/src-$pkg
    rm -rf "$dir"; mkdir -p "$dir"
    if (cd "$dir" && apt-get source -qq "$pkg=$v") >>"$log" 2>&1; then
      echo "$pkg $v" >>"$prefix/VERSIONS"
      find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1
      return 0
    fi
    echo "  $pkg $v could not be fetched; trying the previous version" >&2
  done
  echo "windows-deps.sh: no version of $pkg could be fetched" >&2
  return 1
}

toolchain=$here/../cmake/$host.cmake
cmake_build() {
  local src=$1; shift
  cmake -S "$src" -B "$src/_build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DCMAKE_INSTALL_INCLUDEDIR="$prefix/include" \
    -DBUILD_SHARED_LIBS=OFF "$@" >>"$log" 2>&1
  cmake --build "$src/_build" -j "$jobs" >>"$log" 2>&1
  cmake --install "$src/_build" >>"$log" 2>&1
}

export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
export CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" CFLAGS="-O2" CXXFLAGS="-O2"

echo "  zlib" >&2
src=$(fetch zlib)
# Debian's tarball has no win32 makefile; the portable configure knows MinGW.
(cd "$src" && CHOST=$host CC=$cc AR=$host-ar RANLIB=$host-ranlib ./configure --static --prefix="$prefix" &&
  make -j "$jobs" libz.a && make install) >>"$log" 2>&1

echo "  libpng" >&2
src=$(fetch libpng1.6)
(cd "$src" && ./configure --host="$host" CC=$cc --prefix="$prefix" --disable-shared --enable-static \
  --disable-tools --disable-tests &&
  make -j "$jobs" && make install) >>"$log" 2>&1

echo "  libjpeg-turbo" >&2
src=$(fetch libjpeg-turbo)
cmake_build "$src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF

echo "  libtiff" >&2
src=$(fetch tiff)
# Debian's tiff tree has no configure; only the codecs Tolvex links are on.
cmake_build "$src" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
  -Djbig=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlerc=OFF -Dlibdeflate=OFF -Djpeg12=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
  -DJPEG_LIBRARY="$prefix/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$prefix/include"

echo "  ImageMagick" >&2
src=$(fetch imagemagick)
# A Windows-only helper added by a Debian security patch has two typos.
sed -i -e 's/^    utf8_length,$/    utf8_length;/' -e 's/AcquireQuantumMeory/AcquireQuantumMemory/' \
  "$src/magick/utility-private.h"
# The library's large-file code expects the 64-bit stat forms; MinGW's default
# runtime version would pick the 32-bit ones.
sed -i -e 's/^#  define stat  _stat$/#  define stat  _stati64/' \
  -e 's/^#  define wstat  _wstat$/#  define wstat  _wstati64/' "$src/magick/nt-base.h"
# Fixes Debian made after the newest source the archive still serves, made
# again against it for the coders the program reaches, and one cost of the
# GIF writer.
library_patch() { patch -d "$src" -p1 --forward --no-backup-if-mismatch >>"$log" 2>&1; }
# MNG magnification copied only the first bytes of each row, so the rest of
# a magnified picture was whatever the memory held.
library_patch <<'PATCH'
--- a/coders/png.c
+++ b/coders/png.c
@@ -6847,7 +6847,8 @@
                   }
 
                 n=GetAuthenticPixels(image,0,0,image->columns,1,exception);
-                (void) memcpy(next,n,length);
+                if (n != (PixelPacket *) NULL)
+                  (void) memcpy(next,n,length*sizeof(*next));
 
                 for (y=0; y < (ssize_t) image->rows; y++)
                 {
@@ -6874,7 +6875,8 @@
                     {
                       n=GetAuthenticPixels(image,0,y+1,image->columns,1,
                         exception);
-                      (void) memcpy(next,n,length);
+                      if (n != (PixelPacket *) NULL)
+                        (void) memcpy(next,n,length*sizeof(*next));
                     }
 
                   for (i=0; i < m; i++, yy++)
PATCH
# A GIF application extension is parsed as text (the gamma of an
# "ImageMagick" one) without an end, so the number ran on into memory the
# file never filled. A write whose colour reduction failed kept its two
# colour maps. The comment writer measured the rest of the comment once
# per 255-byte block, which a long comment makes quadratic.
library_patch <<'PATCH'
--- a/coders/gif.c
+++ b/coders/gif.c
@@ -1213,6 +1213,7 @@
                         }
                     }
                 }
+                info[info_length]='\0';
                 profile=BlobToStringInfo(info,(size_t) info_length);
                 if (profile == (StringInfo *) NULL)
                   {
@@ -1687,7 +1688,12 @@
           }
       }
     if ((image->storage_class == DirectClass) || (image->colors > 256))
-      ThrowWriterException(ResourceLimitError,"MemoryAllocationFailed");
+      {
+        global_colormap=(unsigned char *) RelinquishMagickMemory(
+          global_colormap);
+        colormap=(unsigned char *) RelinquishMagickMemory(colormap);
+        ThrowWriterException(ResourceLimitError,"MemoryAllocationFailed");
+      }
     for (bits_per_pixel=1; bits_per_pixel < 8; bits_per_pixel++)
       if ((one << bits_per_pixel) >= image->colors)
         break;
@@ -1753,16 +1759,18 @@
               *p;
 
             size_t
-              count;
+              count,
+              remaining;
 
             /*
               Write comment extension.
             */
             (void) WriteBlobByte(image,(unsigned char) 0x21);
             (void) WriteBlobByte(image,(unsigned char) 0xfe);
-            for (p=value; *p != '\0'; )
+            remaining=strlen(value);
+            for (p=value; remaining != 0; remaining-=count)
             {
-              count=MagickMin(strlen(p),255);
+              count=MagickMin(remaining,255);
               (void) WriteBlobByte(image,(unsigned char) count);
               for (i=0; i < (ssize_t) count; i++)
                 (void) WriteBlobByte(image,(unsigned char) *p++);
PATCH
# A pixel cache whose memory could not be had kept its share of the memory
# limit, so every such failure left less for the files after it.
library_patch <<'PATCH'
--- a/magick/cache.c
+++ b/magick/cache.c
@@ -4002,6 +4002,7 @@
             {
               cache_info->mapped=source_info.mapped;
               cache_info->pixels=source_info.pixels;
+              RelinquishMagickResource(MemoryResource,cache_info->length);
             }
           else
             {
PATCH
# A PBM or PGM comment whose growth the allocator refuses left the comment
# pointer empty, and the reader went on to follow it.
library_patch <<'PATCH'
--- a/coders/pnm.c
+++ b/coders/pnm.c
@@ -160,6 +160,8 @@
   /*
     Read comment.
   */
+  if (comment_info->comment == (char *) NULL)
+    return(EOF);
   p=comment_info->comment+strlen(comment_info->comment);
   for (c='#'; (c != EOF) && (c != (int) '\n') && (c != (int) '\r'); p++)
   {
@@ -1333,9 +1335,11 @@
       default:
         ThrowPNMException(CorruptImageError,"ImproperImageHeader");
     }
-    if (*comment_info.comment != '\0')
+    if ((comment_info.comment != (char *) NULL) &&
+        (*comment_info.comment != '\0'))
       (void) SetImageProperty(image,"comment",comment_info.comment);
-    comment_info.comment=DestroyString(comment_info.comment);
+    if (comment_info.comment != (char *) NULL)
+      comment_info.comment=DestroyString(comment_info.comment);
     if (y < (ssize_t) image->rows)
       ThrowPNMException(CorruptImageError,"UnableToReadImageData");
     if (EOFBlob(image) != MagickFalse)
PATCH
# The library calls Winsock; with it, configure would enable the distributed
# cache, which needs Unix socket headers. Zero-configuration: the library reads
# no configuration file (policy, delegates, coder names) from the machine it
# runs on, so only the program's own policy and limits apply.
(cd "$src" && autoreconf -fi &&
  ./configure --host="$host" CC=$cc CXX=$host-g++-posix --prefix="$prefix" \
    --disable-shared --enable-static --without-modules --disable-openmp --with-magick-plus-plus \
    --enable-zero-configuration \
    --with-quantum-depth=16 --disable-hdri --disable-docs --without-utilities --without-perl \
    --with-jpeg --with-png --with-tiff --with-zlib \
    --without-x --without-bzlib --without-lzma --without-zstd --without-xml --without-freetype \
    --without-fontconfig --without-lcms --without-openjp2 --without-webp --without-djvu \
    --without-fftw --without-fpx --without-gslib --without-gvc --without-heic --without-jbig \
    --without-lqr --without-openexr --without-pango --without-raqm --without-raw --without-rsvg \
    --without-wmf --without-dps --without-flif --without-jxl --without-autotrace \
    LIBS=-lws2_32 ac_cv_func_socket=no ac_cv_search_socket=no &&
  make -j "$jobs" && make install) >>"$log" 2>&1

touch "$prefix/.complete"
echo "Built in $((SECONDS - started)) s: $(tr '\n' ' ' <"$prefix/VERSIONS")" >&2
rm -rf "$work"
echo "$prefix"

# Sourced before configuring a Release build: Debian's build flags with every hardening feature
# (BIND_NOW, _FORTIFY_SOURCE, the stack protector, PIE), the flags the Debian package is built
# with, so that the programs a developer tries are built as users get them.
if command -v dpkg-buildflags >/dev/null; then
  # As debian/rules adds them: stack clash and control flow protection on amd64.
  extra=""
  if [ "$(dpkg-architecture -qDEB_HOST_ARCH_CPU 2>/dev/null)" = amd64 ]; then
    extra="-fstack-clash-protection -fcf-protection"
  fi
  eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_APPEND="$extra" \
          DEB_CXXFLAGS_MAINT_APPEND="$extra" dpkg-buildflags --export=sh)"
  unset extra
  # CMake reads no CPPFLAGS: the preprocessor's flags (_FORTIFY_SOURCE) go to the compilers.
  export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
fi

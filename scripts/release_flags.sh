# Sourced before configuring a Release build: Debian's build flags with every hardening feature
# (BIND_NOW, _FORTIFY_SOURCE, the stack protector, PIE), the flags the Debian package is built
# with, so that the programs a developer tries are built as users get them.
if command -v dpkg-buildflags >/dev/null; then
  eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
  # CMake reads no CPPFLAGS: the preprocessor's flags (_FORTIFY_SOURCE) go to the compilers.
  export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
fi

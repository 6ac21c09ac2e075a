# Outside libraries linked into the library objects (Debian packages; see scripts/setup-deps.sh).

# The two everyday commands: `make run` and `make test`.
.PHONY: run test test-fuzz test-windows package-windows package test-package deps build-release build-asan bench clean

deps:
	@bash scripts/install-deps.sh

build-release: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan

run: build-release
	@bash scripts/run.sh build/release

test: build-release build-asan
	ctest --preset release
	ctest --preset asan
	$(MAKE) test-fuzz

# Everything read from outside fuzzed for a bounded time (clang, libFuzzer).
test-fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	ctest --preset fuzz

# The Windows build of everything without Qt, tested under Wine.
test-windows:
	@bash scripts/test-windows.sh

# The Windows installer veltaro-<version>-setup.exe and a portable .zip, in
# build/windows/package.
package-windows:
	@bash scripts/test-windows.sh --package

# The Debian package veltaro_<version>_amd64.deb of the release build, in
# build/release/package.
package: build-release
	@bash scripts/install-deps.sh package
	@bash packaging/make-package.sh build/release

# The package checked by lintian and the desktop tools, then installed into
# a fresh Debian 12 root and used there.
test-package: package
	@bash packaging/render-icons.sh --check
	@bash packaging/test-package.sh build/release

bench: build-release
	@for b in build/release/bench/bench_*; do "$$b"; done

clean:
	rm -rf build

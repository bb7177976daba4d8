# make run   - set up what is missing, build, and run the show (needs a display)
# make test  - set up what is missing, build, and run every test
# make build - set up and build only; make bench - the benchmarks
# make fuzz  - the music reader and PNG loader fuzzers, FUZZ_SECONDS each
#              (default 300); their corpora in the tree are kept minimised
# make web   - set up what is missing and build the web page into build-web/
# make web-reproducible - make web, then build it again in a second tree and
#              check that every library and page file is the same
# make serve-web - make web, then serve build-web/ on 127.0.0.1 (PORT=...)
# make install - build the programs and data, then install them under PREFIX
#                (default /usr/local); DESTDIR stages the files for packaging.
#                As root in a user's tree it only copies what `make build` made.
# make deb     - build the Debian package into build-deb/ and check it with lintian
# make deb-check - make deb, then install and purge it on a bare Debian 12 (root)
# make windows-deps - the Windows build's third-party libraries, cross-built
#              once per tree into build/windows/deps/prefix
# make windows - make windows-deps and build, then cross-build the Windows
#              programs into build/windows/show (data/ beside them) and pack
#              the zip and the installer into build-windows/
#
# Set-up installs missing Debian packages with apt-get when run as root, and
# otherwise prints the exact apt-get line to run.

BUILD_DIR  ?= build
ASAN_DIR   ?= build-asan
WINDOWS_DIR    ?= $(BUILD_DIR)/windows
WINDOWS_OUTPUT ?= build-windows
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
# Looked up when a recipe runs, after deps may have installed ninja.
GENERATOR   = $(if $(shell command -v ninja),-G Ninja,)
# The recipes' shell: make test's logged parts need pipefail.
SHELL := /bin/bash

# $(call configure,TREE,SOURCE,ARGUMENTS[,WRAPPER]) configures the build tree
# TREE from SOURCE the first time; later builds re-run cmake themselves when
# a CMakeLists.txt changes. WRAPPER goes before cmake (emcmake for the web).
configure = test -f $(1)/CMakeCache.txt || $(4) cmake -S $(2) -B $(1) $(GENERATOR) $(3)
# The native tree, which every other tree needs for its data or its tests.
configure_native = $(call configure,$(BUILD_DIR),.,-DCMAKE_BUILD_TYPE=RelWithDebInfo)

PACKAGES := cmake ninja-build g++ pkg-config \
	libsdl2-dev libmpg123-dev libmp3lame-dev libpng-dev libfreetype-dev fonts-dejavu-core \
	libx11-dev libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri \
	libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev \
	ffmpeg xvfb xauth xdotool x11-utils x11-xserver-utils xfonts-base \
	desktop-file-utils groff-base

# The web build: emscripten, and dpkg-source with the decompressors for the
# third-party libraries built from Debian's source packages. The web page's
# tests drive headless Chromium from Debian's python3.
WEB_PACKAGES := emscripten dpkg-dev xz-utils bzip2
WEB_TEST_PACKAGES := chromium python3-websocket

# The Windows build: mingw-w64 with the posix thread model, dpkg-source and
# the decompressors for the third-party sources, Wine for the tests, NSIS
# and zip for the packages.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 nsis zip \
	dpkg-dev xz-utils bzip2

.PHONY: all deps web-deps windows-packages windows-deps windows deb-deps build run test sanitizer-build bench fuzz install deb deb-check clean web web-reproducible serve-web

all: build

# Installs the packages of $(1) that are missing (as root), or names them.
define install_missing
	@missing=$$(for p in $(1); do \
		dpkg-query -W -f='$${db:Status-Status}' $$p 2>/dev/null | grep -qx installed || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		if [ "$$(id -u)" = 0 ]; then \
			echo "Installing:" $$missing; \
			apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
		else \
			echo "Missing packages. Run: sudo apt-get install -y" $$missing; exit 1; \
		fi; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

# After deps: two apt-get at once would fight over dpkg's lock (make -j).
web-deps: deps
	$(call install_missing,$(WEB_PACKAGES) $(WEB_TEST_PACKAGES))

# After deps, for the same reason.
windows-packages: deps
	$(call install_missing,$(WINDOWS_PACKAGES))

build: deps
	@$(configure_native)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "make run: no display (DISPLAY is not set); start one, e.g. 'Xvfb :1 -screen 0 1024x768x24 & DISPLAY=:1 make run'"; \
		exit 1; \
	fi
	./$(BUILD_DIR)/pelmira15

# The suite twice: as built, then in a second tree under AddressSanitizer and
# UndefinedBehaviorSanitizer (LeakSanitizer on) with assertions live, which
# reuses the data of the first and skips the fuzzers (they carry their own
# sanitizer) and the long whole-show runs. Many tests mostly wait for a
# window or a process, so each pass runs a test more than there are cores.
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TEST_JOBS ?= $(shell echo $$(( $(JOBS) + 1 )))

# make test is a chain of parts that make schedules, two at a time: what
# would leave cores idle overlaps. The web and Windows builds' packages are
# installed while the native tree builds; the sanitizer tree, the longest
# build, is built while the native tests run, many of which wait on the
# show's own clock, and then beside the Windows build; the web page is built
# after it, and the page's tests, which wait on the browser's, and the
# Windows tests, which wait on Wine's, run one at a time beside the sanitizer
# tests: each starts a browser or a Wine session, and several at once beside
# the sanitized show would starve its audio and signal tests on two cores.
# The sanitizer build and tests are the longest chain, so nothing else waits
# in it. Never more than one part's output goes to the terminal (live); the
# others' goes to their logs only. Each part's log is in $(TEST_LOGS); the
# summary at the end names what passed, failed or did not run, and shows the
# logs of the quiet parts that failed and the page's and Windows tests' (report).
#
# The table: part, how its output is shown, the parts it waits for.
TEST_PARTS := \
	packages:live: \
	web-packages:quiet:packages \
	windows-packages:quiet:web-packages \
	native-build:live:packages \
	native-tests:live:native-build \
	sanitizer-build:quiet:native-build \
	windows-build:quiet:native-tests,windows-packages \
	web-build:quiet:sanitizer-build,web-packages \
	web-tests:report:web-build,native-tests \
	windows-tests:report:windows-build,web-tests \
	sanitizer-tests:live:sanitizer-build,native-tests
TEST_LANES := 2
TEST_LOGS  := $(BUILD_DIR)/test-logs
# What each part runs: a target of this Makefile, or a command. The Windows
# tests, the Windows tree's unit suites and the native tree's checks of the
# programs and packages, share one Wine session.
TEST_PART_TARGET_packages         := deps
TEST_PART_TARGET_web-packages     := web-deps
TEST_PART_TARGET_windows-packages := windows-packages
TEST_PART_TARGET_native-build     := build
TEST_PART_TARGET_web-build        := web
TEST_PART_TARGET_windows-build    := windows
TEST_PART_TARGET_sanitizer-build  := sanitizer-build
TEST_PART_COMMAND_native-tests    := ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(TEST_JOBS) -LE 'web|windows'
TEST_PART_COMMAND_web-tests       := ctest --test-dir $(BUILD_DIR) --output-on-failure -j 1 -L web
TEST_PART_COMMAND_windows-tests   := python3 tests/windows/wine_session.py --template $(WINDOWS_DIR)/wine-template -- \
	sh -c 'ctest --test-dir $(WINDOWS_DIR)/show --output-on-failure -j 1 && \
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j 1 -L windows'
TEST_PART_COMMAND_sanitizer-tests := $(SANITIZER_ENV) ctest --test-dir $(ASAN_DIR) --output-on-failure \
	-j $(TEST_JOBS) -LE 'no-sanitizer|long'

comma := ,
test_part_field = $(word $(2),$(subst :, ,$(filter $(1):%,$(TEST_PARTS))))
TEST_PART_NAMES := $(foreach part,$(TEST_PARTS),$(firstword $(subst :, ,$(part))))
TEST_MAKE_PARTS := $(foreach name,$(TEST_PART_NAMES),$(if $(TEST_PART_TARGET_$(name)),test-part/$(name)))
TEST_COMMAND_PARTS := $(filter-out $(TEST_MAKE_PARTS),$(addprefix test-part/,$(TEST_PART_NAMES)))
$(foreach name,$(TEST_PART_NAMES),$(eval test-part/$(name): \
	$(addprefix test-part/,$(subst $(comma), ,$(call test_part_field,$(name),3)))))
.PHONY: $(TEST_MAKE_PARTS) $(TEST_COMMAND_PARTS)

test:
	@rm -rf $(TEST_LOGS)
	@started=$$(date +%s); \
	$(MAKE) --no-print-directory -j $(TEST_LANES) $(TEST_MAKE_PARTS) $(TEST_COMMAND_PARTS); tested=$$?; \
	echo; echo "make test: $$(( $$(date +%s) - started )) s; the logs are in $(TEST_LOGS)/"; \
	reports=; \
	for part in $(TEST_PARTS); do \
		IFS=: read -r name shown _ <<<"$$part"; \
		if [ ! -f $(TEST_LOGS)/$$name.status ]; then printf '  %-16s not run\n' $$name; continue; fi; \
		read -r status seconds < $(TEST_LOGS)/$$name.status; \
		printf '  %-16s %s in %s s\n' $$name "$$([ $$status = 0 ] && echo passed || echo FAILED)" $$seconds; \
		if [ $$shown = report ] || { [ $$shown = quiet ] && [ $$status != 0 ]; }; then \
			reports="$$reports $$name"; \
		fi; \
	done; \
	for name in $$reports; do \
		echo; echo "---- $$name ($(TEST_LOGS)/$$name.log) ----"; cat $(TEST_LOGS)/$$name.log; \
	done; \
	exit $$tested

# $(call run_test_part,NAME,COMMAND) runs one part of make test: the output
# in its log (and on the terminal when live), its status and seconds in
# NAME.status. $(MAKE) stays in the recipes below, so that make -n still
# shows what the parts that are targets would do.
define run_test_part
mkdir -p $(TEST_LOGS); echo "make test: $(1) started"; \
started=$$(date +%s); set -o pipefail; \
if [ $(call test_part_field,$(1),2) = live ]; then \
	$(2) 2>&1 | tee $(TEST_LOGS)/$(1).log; \
else \
	$(2) > $(TEST_LOGS)/$(1).log 2>&1; \
fi; \
status=$$?; echo "$$status $$(( $$(date +%s) - started ))" > $(TEST_LOGS)/$(1).status; \
if [ $$status = 0 ]; then echo "make test: $(1) passed"; \
else echo "make test: $(1) failed (its log: $(TEST_LOGS)/$(1).log)"; fi; \
exit $$status
endef

$(TEST_MAKE_PARTS): test-part/%:
	@$(call run_test_part,$*,$(MAKE) --no-print-directory $(TEST_PART_TARGET_$*))

$(TEST_COMMAND_PARTS): test-part/%:
	@$(call run_test_part,$*,$(TEST_PART_COMMAND_$*))

sanitizer-build:
	@$(call configure,$(ASAN_DIR),.,-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMIRA_SANITIZE=ON -DPELMIRA_MAKE_DATA=OFF)
	cmake --build $(ASAN_DIR) -j $(JOBS)

# Installs the two programs, their data, the desktop entry, icon and manual
# pages, stripped. The programs find their data beside their own bin/ folder,
# so the prefix is given to the copy only, never compiled in. In a tree of its
# own it first builds what it installs (not the tests); root in a user's tree
# (sudo) only copies what that user built, and leaves no file of its own there.
TREE_OWNER ?= $(shell stat -c %u .)
INSTALLED_PROGRAMS = $(BUILD_DIR)/pelmira15 $(BUILD_DIR)/pelmira15-capture

install:
	@if [ "$$(id -u)" = 0 ] && [ "$(TREE_OWNER)" != 0 ]; then \
		for program in $(INSTALLED_PROGRAMS); do \
			if [ ! -x "$$program" ]; then \
				echo "make install: $$program is not built; run 'make build' first as the owner of this tree," \
					"then 'sudo make install'"; \
				exit 1; \
			fi; \
		done; \
	else \
		$(MAKE) --no-print-directory deps && \
		{ $(configure_native); } && \
		cmake --build $(BUILD_DIR) -j $(JOBS) --target installable; \
	fi
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip
	@# cmake records what it installed inside the tree; that file stays the tree owner's.
	@chown $(TREE_OWNER) $(BUILD_DIR)/install_manifest.txt 2>/dev/null || true

# The Debian package: a copy of the sources (no build trees, no data) is built
# in $(DEB_OUTPUT)/source by dpkg-buildpackage, which leaves the package
# beside it in $(DEB_OUTPUT)/, then lintian must find nothing to say. The
# build's own packages come from debian/control.
DEB_OUTPUT   ?= build-deb
DEB_PACKAGES := debhelper dpkg-dev fakeroot lintian

deb-deps:
	$(call install_missing,$(DEB_PACKAGES))

deb: deb-deps
	rm -rf $(DEB_OUTPUT) && mkdir -p $(DEB_OUTPUT)/source
	tar -c --exclude-vcs --exclude=./build --exclude='./build-*' --exclude=./$(DEB_OUTPUT) \
		--exclude=./$(BUILD_DIR) --exclude=./$(ASAN_DIR) --exclude=./data --exclude='./obj-*' . \
		| tar -x -C $(DEB_OUTPUT)/source
	@cd $(DEB_OUTPUT)/source && if ! dpkg-checkbuilddeps 2>/dev/null; then \
		if [ "$$(id -u)" = 0 ]; then \
			apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends ./; \
		else \
			dpkg-checkbuilddeps; echo "Missing packages. Run: sudo apt-get build-dep ./ in $(DEB_OUTPUT)/source"; exit 1; \
		fi; \
	fi
	cd $(DEB_OUTPUT)/source && dpkg-buildpackage -b -us -uc -j$(JOBS)
	lintian --fail-on error,warning --info $(DEB_OUTPUT)/*.changes

deb-check: deb
	tools/deb_install_check.sh $(DEB_OUTPUT)/pelmira15_*_$$(dpkg --print-architecture).deb

bench: build
	cmake --build $(BUILD_DIR) --target bench -j $(JOBS)

# make test runs the fuzzers for some seconds each; this runs them longer
# and keeps what they grew. A fault fails it and leaves the input in the
# regression folders that make test replays.
FUZZ_SECONDS ?= 300

fuzz: build
	tools/run_fuzzers.sh $(BUILD_DIR) $(FUZZ_SECONDS)

# The web page: the native tree makes the data; the third-party libraries are
# built for WebAssembly once per tree; the page, its program and the data go
# to build-web/, a folder any static web server can serve. emcc needs Debian's
# node modules even where another node comes first on PATH.
WEB_DIR     ?= $(BUILD_DIR)/web
WEB_OUTPUT  ?= build-web
WEB_ENV     := NODE_PATH=/usr/share/nodejs$(if $(NODE_PATH),:$(NODE_PATH))

# $(call build_web,TREE,OUTPUT) builds the web libraries in TREE/deps, then
# the page in TREE/show, written to OUTPUT.
define build_web
	@$(call configure,$(1)/deps,platform/web/third_party,,$(WEB_ENV) emcmake)
	$(WEB_ENV) cmake --build $(1)/deps
	@$(call configure,$(1)/show,.,-DCMAKE_BUILD_TYPE=Release \
		-DPELMIRA_WEB_DEPS=$(abspath $(1))/deps/prefix -DPELMIRA_WEB_OUTPUT_DIR=$(abspath $(2)) \
		-DPELMIRA_WEB_NATIVE_DIR=$(abspath $(BUILD_DIR)),$(WEB_ENV) emcmake)
	$(WEB_ENV) cmake --build $(1)/show -j $(JOBS)
endef

web: web-deps
	@$(configure_native)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target picture_data music_data web_preview web_texts
	$(call build_web,$(WEB_DIR),$(WEB_OUTPUT))

# The web build again, from the same pinned sources, in a second tree at
# another path; the libraries, their headers and manifest, and every file of
# the page must come out byte for byte the same as make web's.
WEB_AGAIN_DIR ?= $(BUILD_DIR)/web-again
WEB_AGAIN_OUTPUT := $(WEB_AGAIN_DIR)/output
WEB_COMPARED := lib/libz.a lib/libpng16.a lib/libmpg123.a include third-party.txt

web-reproducible: web
	$(call build_web,$(WEB_AGAIN_DIR),$(WEB_AGAIN_OUTPUT))
	for file in $(WEB_COMPARED); do \
		diff -r $(WEB_DIR)/deps/prefix/$$file $(WEB_AGAIN_DIR)/deps/prefix/$$file || exit 1; \
	done
	diff -r $(WEB_OUTPUT) $(WEB_AGAIN_OUTPUT)
	@echo "make web-reproducible: both builds gave the same bytes:"
	@cd $(WEB_OUTPUT) && sha256sum pelmira15.wasm pelmira15.js third-party.txt

# The Windows build: its third-party libraries cross-built from Debian's
# source packages once per tree (platform/windows/third_party), then the
# programs, with the data and icon the native tree made, and the packages a
# Windows user downloads: the zip and the installer in $(WINDOWS_OUTPUT)/,
# dated by the last commit (or SOURCE_DATE_EPOCH).

windows-deps: windows-packages
	@$(call configure,$(WINDOWS_DIR)/deps,platform/windows/third_party,\
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/platform/windows/mingw-w64.cmake)
	cmake --build $(WINDOWS_DIR)/deps

windows: windows-deps build
	@$(call configure,$(WINDOWS_DIR)/show,.,\
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/platform/windows/mingw-w64.cmake \
		-DPELMIRA_WINDOWS_DEPS=$(abspath $(WINDOWS_DIR))/deps/prefix \
		-DPELMIRA_WINDOWS_OUTPUT_DIR=$(abspath $(WINDOWS_OUTPUT)))
	cmake --build $(WINDOWS_DIR)/show -j $(JOBS)
	cmake --build $(WINDOWS_DIR)/show -j $(JOBS) --target windows_package

# PORT picks the port; by default a free one.
serve-web: web
	@port="$(PORT)"; \
	if [ -z "$$port" ]; then \
		port=$$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'); \
	fi; \
	echo "Serving the show at http://127.0.0.1:$$port/ (Ctrl-C stops)"; \
	exec python3 tools/web/web_server.py $(WEB_OUTPUT) $$port

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(WEB_OUTPUT) $(DEB_OUTPUT) $(WINDOWS_OUTPUT)

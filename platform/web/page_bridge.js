// The page as the program sees it (platform/web/page_bridge.h). The page's
// script (app/web/page/show.js) queues the Escape presses in
// Module.queuedEscapes, those of the keys in Module.watchedKeys in
// Module.queuedKeys, the seek bar's music times in Module.queuedSeeks, and keeps the last line written on stderr in
// Module.lastErrorLine.
mergeInto(LibraryManager.library, {
  pageTakeEscapes: function() {
    var presses = Module['queuedEscapes'] || 0;
    Module['queuedEscapes'] = 0;
    return presses;
  },

  pageQueueEscape: function() {
    Module['queuedEscapes'] = (Module['queuedEscapes'] || 0) + 1;
  },

  pageWatchKeys: function(names, count) {
    var watched = [];
    for (var i = 0; i < count; ++i) watched.push(UTF8ToString(HEAP32[(names >> 2) + i]));
    Module['watchedKeys'] = watched;
    Module['queuedKeys'] = [];
  },

  pageTakeKey: function(repeated) {
    var press = (Module['queuedKeys'] || []).shift();
    if (!press) return -1;
    HEAP32[repeated >> 2] = press.repeated ? 1 : 0;
    return press.key;
  },

  pageTakeSeekMs: function() {
    var ms = (Module['queuedSeeks'] || []).shift();
    return ms === undefined ? -1 : ms;
  },

  pageQueueSeek: function(ms) {
    (Module['queuedSeeks'] = Module['queuedSeeks'] || []).push(ms);
  },

  pageSetState: function(state) {
    document.documentElement.dataset.state = UTF8ToString(state);
  },

  // The page's first script (page_errors.js) words the line for the viewer.
  pageShowError: function() {
    window['pageErrors']['showProgramLine'](Module['lastErrorLine'] || 'the show cannot run');
  },

  pageShowCursor: function(visible) {
    document.documentElement.classList.toggle('no-cursor', !visible);
  },

  pageShowWaiting: function(waiting) {
    document.documentElement.classList.toggle('waiting', !!waiting);
  },

  pageQueryValue: function(name, buffer, size) {
    var value = new URLSearchParams(location.search).get(UTF8ToString(name));
    if (value === null) return -1;
    stringToUTF8(value, buffer, size);
    return lengthBytesUTF8(value);
  },
});

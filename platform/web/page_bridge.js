// The page as the program sees it (platform/web/page_bridge.h). The page's
// script (page/show.js) queues the Escape presses in Module.queuedEscapes and
// keeps the last line written on stderr in Module.lastErrorLine.
mergeInto(LibraryManager.library, {
  pageTakeEscapes: function() {
    var presses = Module['queuedEscapes'] || 0;
    Module['queuedEscapes'] = 0;
    return presses;
  },

  pageQueueEscape: function() {
    Module['queuedEscapes'] = (Module['queuedEscapes'] || 0) + 1;
  },

  pageSetState: function(state) {
    document.documentElement.dataset.state = UTF8ToString(state);
  },

  pageShowError: function() {
    document.getElementById('message').textContent = Module['lastErrorLine'] || 'the show cannot run';
    document.documentElement.dataset.state = 'error';
  },

  pageShowCursor: function(visible) {
    document.documentElement.classList.toggle('no-cursor', !visible);
  },

  pageQueryValue: function(name, buffer, size) {
    var value = new URLSearchParams(location.search).get(UTF8ToString(name));
    if (value === null) return -1;
    stringToUTF8(value, buffer, size);
    return lengthBytesUTF8(value);
  },
});

// The show's data as the page's loader (app/web/page/page_loading.js)
// fetched them from the page's start: the program takes each file from it
// rather than fetching it again, the music as it streams in. The callbacks are emscripten_async_wget2_data's.
mergeInto(LibraryManager.library, {
  pageTakeData__deps: ['malloc', 'free'],
  pageTakeData: function(path, arg, onload, onerror) {
    window['showLoading']['take'](UTF8ToString(path)).then(function(file) {
      if (file.bytes) {
        var data = _malloc(file.bytes.length);
        HEAPU8.set(file.bytes, data);
        {{{ makeDynCall('viiii', 'onload') }}}(0, arg, data, file.bytes.length);
        _free(data);
      } else {
        var text = allocateUTF8(file.statusText);
        {{{ makeDynCall('viiii', 'onerror') }}}(0, arg, file.status, text);
        _free(text);
      }
    });
  },

  // Hands over the streamed music part by part: onchunk(arg, data, size,
  // ready) for each, ready once the show can start on it, then onend(arg)
  // or onerror(arg, status, statusText).
  pageStreamData__deps: ['malloc', 'free'],
  pageStreamData: function(arg, onchunk, onend, onerror) {
    window['showLoading']['streamMusic']({
      'chunk': function(bytes, ready) {
        var data = _malloc(bytes.length);
        HEAPU8.set(bytes, data);
        {{{ makeDynCall('viiii', 'onchunk') }}}(arg, data, bytes.length, ready ? 1 : 0);
        _free(data);
      },
      'end': function(end) {
        if (end.status === undefined) {
          {{{ makeDynCall('vi', 'onend') }}}(arg);
          return;
        }
        var text = allocateUTF8(end.statusText);
        {{{ makeDynCall('viii', 'onerror') }}}(arg, end.status, text);
        _free(text);
      },
    });
  },
});

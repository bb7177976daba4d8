// The show's data as the page's loader (app/web/page/page_loading.js)
// fetched them from the page's start: the program takes each file from it
// rather than fetching it again. The callbacks are emscripten_async_wget2_data's.
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
});

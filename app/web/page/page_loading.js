// Fetches the show's data from the moment the page loads, beside the
// program's own download, and says on the start card how far it has come
// and, once asked to start, that the show is starting. The program takes
// each file from here (app/web/page_data.js) once it runs.
// SHOW_DATA_FILES comes from data-files.js, which the build writes.
'use strict';

(function() {
  var line = document.getElementById('loading');
  // ?at= draws one still frame, which plays no music.
  var stillFrame = new URLSearchParams(location.search).has('at');
  // A page that cannot run here (page_errors.js) fetches nothing.
  var files = !window.pageErrors.canRun ? [] :
      SHOW_DATA_FILES.pictures.concat(stillFrame ? [] : [SHOW_DATA_FILES.music]);
  var expected = {};
  var received = {};
  var answered = 0;
  var starting = false;

  function showProgress() {
    var total = 0;
    var got = 0;
    files.forEach(function(path) {
      total += expected[path] || 0;
      got += received[path] || 0;
    });
    var loaded = answered === files.length;
    // Until every file has answered the total is not known: never 100 % then.
    var progress = total > 0 ? ' ' + Math.min(99, Math.floor(100 * got / total)) + ' %' : '';
    if (starting) line.textContent = loaded ? 'Starting\u2026' : 'Starting\u2026 loading' + progress;
    else line.textContent = loaded ? '' : 'Loading' + progress;
  }

  function joined(chunks, length) {
    var bytes = new Uint8Array(length);
    var at = 0;
    chunks.forEach(function(chunk) {
      bytes.set(chunk, at);
      at += chunk.length;
    });
    return bytes;
  }

  // Settles with {bytes} or with {status, statusText}, status 0 where the
  // request itself failed; never rejects.
  function load(path) {
    received[path] = 0;
    return fetch(path).then(function(response) {
      if (!response.ok) return {status: response.status, statusText: response.statusText};
      expected[path] = Number(response.headers.get('Content-Length')) || 0;
      var reader = response.body.getReader();
      var chunks = [];
      function next() {
        return reader.read().then(function(part) {
          if (part.done) return {bytes: joined(chunks, received[path])};
          chunks.push(part.value);
          received[path] += part.value.length;
          showProgress();
          return next();
        });
      }
      return next();
    }).catch(function() {
      return {status: 0, statusText: ''};
    }).then(function(file) {
      ++answered;
      showProgress();
      return file;
    });
  }

  // The program's wasm comes beside the data, not after its script has run.
  if (window.pageErrors.canRun) {
    var preload = document.createElement('link');
    preload.rel = 'preload';
    preload.href = 'pelmira15.wasm';
    preload.as = 'fetch';
    preload.type = 'application/wasm';
    preload.crossOrigin = 'anonymous';
    document.head.appendChild(preload);
  }

  var loads = {};
  files.forEach(function(path) {
    loads[path] = load(path);
  });
  showProgress();

  window.showLoading = {
    take: function(path) {
      return loads[path] || load(path);
    },
    // A click or key asked for the show.
    starting: function() {
      starting = true;
      showProgress();
    },
  };
})();

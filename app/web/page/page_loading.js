// Fetches the show's data from the moment the page loads, beside the
// program's own download, and says on the start card how far it has come
// and, once asked to start, that the show is starting. The program takes
// each picture from here (app/web/page_data.js) once it runs, and the music
// as it streams in: the music is fetched after the pictures, so that they
// do not share the link with it, and the show can start once its first
// part is in.
// SHOW_DATA_FILES comes from data-files.js, which the build writes.
'use strict';

(function() {
  var line = document.getElementById('loading');
  // ?at= draws one still frame, which plays no music.
  var stillFrame = new URLSearchParams(location.search).has('at');
  // About 2.7 s of music; the decoder keeps 16 KB ahead of what it decodes.
  var MUSIC_START_BYTES = 64 * 1024;
  // A page that cannot run here (page_errors.js) fetches nothing.
  var canRun = window.pageErrors.canRun;
  var pictures = canRun ? SHOW_DATA_FILES.pictures : [];
  var music = canRun && !stillFrame ? SHOW_DATA_FILES.music : null;
  // What of the music the start waits for, known once its first bytes are in.
  var musicStart = MUSIC_START_BYTES;
  var expected = {};
  var received = {};
  var answered = 0;
  var starting = false;

  // The progress is toward the start: the pictures and the music's first part.
  function showProgress() {
    var total = 0;
    var got = 0;
    pictures.forEach(function(path) {
      total += expected[path] || 0;
      got += received[path] || 0;
    });
    // The music's part counts from the start, before its fetch has begun.
    if (music) {
      total += Math.min(expected[music] || musicStart, musicStart);
      got += Math.min(received[music] || 0, musicStart);
    }
    var loaded = answered >= pictures.length && (!music || musicStream.ready);
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

  // Calls onChunk(chunk) with each part of the file as it comes in;
  // settles with {} or with {status, statusText}, status 0 where the request
  // itself failed; never rejects.
  function read(path, options, onChunk) {
    received[path] = 0;
    return fetch(path, options).then(function(response) {
      if (!response.ok) return {status: response.status, statusText: response.statusText};
      expected[path] = Number(response.headers.get('Content-Length')) || 0;
      var reader = response.body.getReader();
      function next() {
        return reader.read().then(function(part) {
          if (part.done) return {};
          received[path] += part.value.length;
          onChunk(part.value);
          showProgress();
          return next();
        });
      }
      return next();
    }).catch(function() {
      return {status: 0, statusText: ''};
    }).then(function(end) {
      ++answered;
      showProgress();
      return end;
    });
  }

  // Settles with {bytes} or with {status, statusText}.
  function load(path) {
    var chunks = [];
    return read(path, {}, function(chunk) {
      chunks.push(chunk);
    }).then(function(end) {
      return end.status === undefined ? {bytes: joined(chunks, received[path])} : end;
    });
  }

  // The music's parts in so far and whom to hand the next ones.
  var musicStream = {chunks: [], ready: false, end: null, listener: null};

  // An ID3v2 tag (a cover picture may make it large) comes before the
  // first sound: the start waits for it too. Its size is syncsafe, 7 bits a
  // byte, after "ID3", the version and the flags.
  function musicStartBytes(first) {
    if (first.length < 10 || first[0] !== 0x49 || first[1] !== 0x44 || first[2] !== 0x33) return MUSIC_START_BYTES;
    var tagBytes = 10 + ((first[6] & 0x7f) << 21 | (first[7] & 0x7f) << 14 | (first[8] & 0x7f) << 7 | (first[9] & 0x7f));
    return tagBytes + MUSIC_START_BYTES;
  }

  function streamMusic() {
    var first = true;
    return read(music, {priority: 'low'}, function(chunk) {
      if (first) musicStart = musicStartBytes(chunk);
      first = false;
      musicStream.ready = musicStream.ready || received[music] >= musicStart;
      if (musicStream.listener) musicStream.listener.chunk(chunk, musicStream.ready);
      else musicStream.chunks.push(chunk);
    }).then(function(end) {
      musicStream.ready = true;
      musicStream.end = end;
      if (musicStream.listener) musicStream.listener.end(end);
    });
  }

  // The program's wasm comes beside the data, not after its script has run.
  if (canRun) {
    var preload = document.createElement('link');
    preload.rel = 'preload';
    preload.href = 'pelmira15.wasm';
    preload.as = 'fetch';
    preload.type = 'application/wasm';
    preload.crossOrigin = 'anonymous';
    document.head.appendChild(preload);
  }

  var loads = {};
  pictures.forEach(function(path) {
    loads[path] = load(path);
  });
  if (music) {
    Promise.all(pictures.map(function(path) {
      return loads[path];
    })).then(streamMusic);
  }
  showProgress();

  window.showLoading = {
    take: function(path) {
      return loads[path] || load(path);
    },
    // Hands the music to listener.chunk(bytes, ready) part by part, those in
    // so far at once, and then to listener.end(end) as load() settles;
    // ready: enough is in to start the show.
    streamMusic: function(listener) {
      var last = musicStream.chunks.length - 1;
      musicStream.chunks.forEach(function(chunk, i) {
        listener.chunk(chunk, musicStream.ready && i === last);
      });
      musicStream.chunks = [];
      musicStream.listener = listener;
      if (musicStream.end) listener.end(musicStream.end);
    },
    // A click or key asked for the show.
    starting: function() {
      starting = true;
      showProgress();
    },
  };
})();

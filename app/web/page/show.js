// The page around the show's program: fits the canvas to the window, passes
// clicks and keys on (the viewer's keys are those the program watches),
// toggles full screen, and answers the show's clock.
// The program (pelmira15.js) sets every state after "start" itself.
'use strict';

(function() {
  var root = document.documentElement;
  var canvas = document.getElementById('show');
  var FRAME_WIDTH = 1024;
  var FRAME_HEIGHT = 768;
  // ?at= draws one frame by itself: no start card to click.
  var stillFrame = new URLSearchParams(location.search).has('at');
  var ready = false;
  var startAsked = false;
  var startAtMs = 0;

  function state() {
    return root.dataset.state;
  }

  // The visual viewport's size in CSS px: what a phone shows, which the
  // layout viewport may exceed while the browser bars slide.
  function viewportSize() {
    var visual = window.visualViewport;
    if (visual) return {width: visual.width, height: visual.height};
    return {width: window.innerWidth, height: window.innerHeight};
  }

  // The largest centred 4:3 rectangle of the viewport, on whole device
  // pixels, its width a multiple of 4 so that its height is whole too.
  function fitCanvas() {
    var ratio = window.devicePixelRatio || 1;
    var viewport = viewportSize();
    var width = Math.floor(viewport.width * ratio);
    var height = Math.floor(viewport.height * ratio);
    var fitted = Math.min(width, Math.floor(height * FRAME_WIDTH / FRAME_HEIGHT));
    var fittedWidth = fitted - fitted % 4;
    var fittedHeight = fittedWidth * FRAME_HEIGHT / FRAME_WIDTH;
    canvas.style.width = fittedWidth / ratio + 'px';
    canvas.style.height = fittedHeight / ratio + 'px';
    canvas.style.left = Math.floor((width - fittedWidth) / 2) / ratio + 'px';
    canvas.style.top = Math.floor((height - fittedHeight) / 2) / ratio + 'px';
  }

  var notice = document.getElementById('notice');
  var NOTICE_MS = 3000;
  var noticeTimer = 0;

  // A short line over the picture that goes by itself.
  function showNotice(text) {
    notice.textContent = text;
    notice.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(function() {
      notice.hidden = true;
    }, NOTICE_MS);
  }

  // An iframe without allowfullscreen, or a browser with no full screen for
  // a page, refuses: the viewer is told rather than left pressing F.
  function fullScreenRefused() {
    showNotice('Full screen is not allowed here');
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(function() {});
      return;
    }
    if (!root.requestFullscreen || !document.fullscreenEnabled) {
      fullScreenRefused();
      return;
    }
    root.requestFullscreen().then(function() {
      // Escape then reaches the show rather than leaving full screen.
      if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(function() {});
    }).catch(fullScreenRefused);
  }

  // In the gesture itself: the sound is turned on there (player_controls.js).
  function askStart() {
    if (stillFrame || (state() !== 'start' && state() !== 'ended')) return;
    showLoading.starting();
    startAtMs = window.playerControls.beginStart();
    if (ready) Module._showRequestStart(startAtMs);
    else startAsked = true;
  }

  var MODIFIERS = ['Shift', 'Control', 'Alt', 'Meta', 'AltGraph', 'CapsLock'];

  document.addEventListener('keydown', function(event) {
    if (event.key === 'f' || event.key === 'F') {
      toggleFullScreen();
      return;
    }
    if (state() === 'playing' || state() === 'ending') {
      var watched = Module.watchedKeys.indexOf(event.key);
      if (event.key === 'Escape') {
        event.preventDefault();
        Module.queuedEscapes = (Module.queuedEscapes || 0) + 1;
      } else if (watched >= 0) {
        event.preventDefault();
        Module.queuedKeys.push({key: watched, repeated: event.repeat});
      }
      return;
    }
    if (!event.repeat && MODIFIERS.indexOf(event.key) < 0) askStart();
  });
  document.addEventListener('click', askStart);
  document.addEventListener('dblclick', toggleFullScreen);
  window.addEventListener('resize', fitCanvas);
  window.addEventListener('orientationchange', fitCanvas);
  if (window.visualViewport) window.visualViewport.addEventListener('resize', fitCanvas);
  fitCanvas();

  window.Module = {
    canvas: canvas,
    thisProgram: 'pelmira15',
    queuedEscapes: 0,
    watchedKeys: [],
    queuedKeys: [],
    queuedSeeks: [],
    lastErrorLine: '',
    print: function(text) {
      console.log(text);
    },
    printErr: function(text) {
      Module.lastErrorLine = text;
      console.warn(text);
    },
    onAbort: function(what) {
      pageErrors.showAbort(String(what), ready);
    },
    onRuntimeInitialized: function() {
      ready = true;
      if (startAsked) Module._showRequestStart(startAtMs);
    },
  };

  window.showToggleFullScreen = toggleFullScreen;

  // The show's clock in ms; -1 before it first starts.
  window.showMusicTimeMs = function() {
    return ready ? Module._showMusicTimeMs() : -1;
  };
})();

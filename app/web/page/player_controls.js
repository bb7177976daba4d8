// A player's controls over the show: a bar at the picture's bottom edge
// (play and pause, the time, a seek bar, mute and volume, full screen, the
// ending), the pointer and the paused sign, taps on touch screens, the start
// card's touch wording and #t= start, the system's media controls, and the
// sound turned on inside the gesture that starts the show.
// Everything reaches the program as the keys do: through Module.queuedKeys,
// Module.queuedSeeks and Module.queuedEscapes (platform/web/page_bridge.js).
'use strict';

(function() {
  var root = document.documentElement;
  var canvas = document.getElementById('show');
  // Still this long while playing, the bar and the pointer go.
  var STILL_MS = 3000;
  var VOLUME_STEPS = 100;
  var MEDIA_SEEK_OFFSET_S = 5;
  var coarse = window.matchMedia('(pointer: coarse)').matches || 'ontouchstart' in window;

  function state() {
    return root.dataset.state;
  }

  function showing() {
    return state() === 'playing' || state() === 'ending';
  }

  function running() {
    return showing() && typeof Module._showPaused === 'function';
  }

  function paused() {
    return running() && Module._showPaused() === 1;
  }

  // m:ss of a time in ms.
  function clock(ms) {
    var seconds = Math.max(0, Math.floor(ms / 1000));
    var rest = seconds % 60;
    return Math.floor(seconds / 60) + ':' + (rest < 10 ? '0' : '') + rest;
  }

  // #t=SECONDS or ?t=SECONDS: where the first start plays from.
  function addressStartMs() {
    var hash = new URLSearchParams(location.hash.replace(/^#/, ''));
    var text = hash.get('t') || new URLSearchParams(location.search).get('t');
    var seconds = Number(text);
    return text && isFinite(seconds) && seconds > 0 ? Math.round(seconds * 1000) : 0;
  }

  function element(tag, className, label) {
    var made = document.createElement(tag);
    made.className = className;
    if (label) {
      made.setAttribute('aria-label', label);
      made.title = label;
    }
    return made;
  }

  function button(className, label, action) {
    var made = element('button', className, label);
    made.type = 'button';
    made.addEventListener('click', function(event) {
      event.stopPropagation();
      action();
      wake();
    });
    return made;
  }

  function pressKey(name) {
    var index = Module.watchedKeys.indexOf(name);
    if (index >= 0) Module.queuedKeys.push({key: index, repeated: false});
  }

  function togglePause() {
    if (running()) pressKey(' ');
  }

  function setPaused(wanted) {
    if (paused() !== wanted) togglePause();
  }

  function seekTo(ms) {
    if (running()) Module.queuedSeeks.push(Math.max(0, Math.round(ms)));
  }

  function endShow() {
    if (running()) Module.queuedEscapes = (Module.queuedEscapes || 0) + 1;
  }

  // --- Volume: a gain after the show's own, so it multiplies with the fade.
  var volume = 1;
  var muted = false;

  function applyVolume() {
    Module.viewerGain = muted ? 0 : volume;
    if (Module.viewerGainNode) Module.viewerGainNode.gain.value = Module.viewerGain;
    muteButton.classList.toggle('on', muted || volume === 0);
    muteButton.setAttribute('aria-label', muted ? 'Unmute' : 'Mute');
    volumeSlider.value = String(Math.round((muted ? 0 : volume) * VOLUME_STEPS));
  }

  function toggleMute() {
    muted = !muted;
    applyVolume();
  }

  // --- The bar.
  var bar = element('div', 'player-bar');
  bar.setAttribute('role', 'group');
  bar.setAttribute('aria-label', 'Player');
  var playButton = button('player-play', 'Pause', togglePause);
  var time = element('span', 'player-time');
  var seekBar = element('input', 'player-seek', 'Seek');
  seekBar.type = 'range';
  seekBar.min = '0';
  seekBar.step = '1000';
  var muteButton = button('player-mute', 'Mute', toggleMute);
  var volumeSlider = element('input', 'player-volume', 'Volume');
  volumeSlider.type = 'range';
  volumeSlider.min = '0';
  volumeSlider.max = String(VOLUME_STEPS);
  var fullButton = button('player-full', 'Full screen', function() {
    window.showToggleFullScreen();
  });
  var endButton = button('player-end', 'End the show', endShow);
  [playButton, time, seekBar, muteButton, volumeSlider, fullButton, endButton].forEach(function(part) {
    bar.appendChild(part);
  });
  var pausedSign = element('div', 'player-paused');
  pausedSign.setAttribute('aria-hidden', 'true');
  var soundOn = button('player-sound-on', 'Tap to turn the sound on', resumeSound);
  soundOn.textContent = 'Tap to turn the sound on';
  document.body.appendChild(pausedSign);
  document.body.appendChild(soundOn);
  document.body.appendChild(bar);

  var seeking = false;
  seekBar.addEventListener('input', function() {
    seeking = true;
    time.textContent = clock(Number(seekBar.value)) + ' / ' + clock(Number(seekBar.max));
  });
  seekBar.addEventListener('change', function() {
    seeking = false;
    seekTo(Number(seekBar.value));
  });
  // The show's keys on the bar are the show's own (show.js queues them): the
  // slider does not move by itself, a focused button does not press too.
  seekBar.addEventListener('keydown', function(event) {
    if (Module.watchedKeys.indexOf(event.key) >= 0) event.preventDefault();
  });
  bar.addEventListener('keyup', function(event) {
    if (event.key === ' ') event.preventDefault();
  });
  volumeSlider.addEventListener('input', function() {
    volume = Number(volumeSlider.value) / VOLUME_STEPS;
    muted = false;
    applyVolume();
  });
  // A double click on the bar is two presses, not full screen.
  bar.addEventListener('dblclick', function(event) {
    event.stopPropagation();
  });
  bar.addEventListener('click', function(event) {
    event.stopPropagation();
  });
  applyVolume();

  // --- Awake: the bar and the pointer show on movement, go when still.
  var stillTimer = 0;

  function wake() {
    root.classList.add('player-awake');
    clearTimeout(stillTimer);
    stillTimer = setTimeout(function() {
      if (!paused()) root.classList.remove('player-awake');
    }, STILL_MS);
  }

  document.addEventListener('mousemove', function() {
    if (showing()) wake();
  });

  // A tap shows the bar; a tap on the picture while it shows pauses or
  // resumes. A double tap stays full screen's (show.js).
  canvas.addEventListener('pointerup', function(event) {
    if (event.pointerType !== 'touch' || !running()) return;
    if (root.classList.contains('player-awake')) togglePause();
    wake();
  });

  document.addEventListener('keydown', function(event) {
    if ((event.key === 'm' || event.key === 'M') && showing()) toggleMute();
  });

  // --- What the bar shows, once per animation frame.
  var wasPaused = false;

  function update() {
    requestAnimationFrame(update);
    var live = running();
    root.classList.toggle('player-live', live);
    if (!live) return;
    var length = Module._showLengthMs();
    var now = Math.max(0, Module._showMusicTimeMs());
    var isPaused = paused();
    root.classList.toggle('player-is-paused', isPaused);
    if (isPaused !== wasPaused) {
      playButton.setAttribute('aria-label', isPaused ? 'Play' : 'Pause');
      playButton.title = playButton.getAttribute('aria-label');
      if (navigator.mediaSession) navigator.mediaSession.playbackState = isPaused ? 'paused' : 'playing';
      if (!isPaused) wake();
      wasPaused = isPaused;
    }
    if (isPaused) root.classList.add('player-awake');
    var picture = canvas.getBoundingClientRect();
    bar.style.left = picture.left + 'px';
    bar.style.width = picture.width + 'px';
    bar.style.top = picture.bottom - bar.offsetHeight + 'px';
    seekBar.max = String(length);
    if (!seeking) {
      seekBar.value = String(now);
      time.textContent = clock(now) + ' / ' + clock(length);
    }
    var context = Module.audioContext;
    root.classList.toggle('player-sound-held', !!context && context.state === 'suspended');
  }
  requestAnimationFrame(update);

  // --- Sound: made or resumed in the gesture that starts the show.
  function resumeSound() {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    if (!Module.audioContext || Module.audioContext.state === 'closed') {
      try {
        Module.audioContext = new Context();
      } catch (e) {
        return;
      }
    }
    Module.audioContext.resume().catch(function() {});
  }

  // --- The system's media controls and keys.
  function mediaSession() {
    var session = navigator.mediaSession;
    if (!session) return;
    session.metadata = new MediaMetadata({
      title: document.title,
      artwork: [{src: 'data/icon.png', type: 'image/png'}],
    });
    var actions = {
      play: function() { setPaused(false); },
      pause: function() { setPaused(true); },
      seekto: function(details) { seekTo(details.seekTime * 1000); },
      seekbackward: function(details) {
        seekTo(Module._showMusicTimeMs() - (details.seekOffset || MEDIA_SEEK_OFFSET_S) * 1000);
      },
      seekforward: function(details) {
        seekTo(Module._showMusicTimeMs() + (details.seekOffset || MEDIA_SEEK_OFFSET_S) * 1000);
      },
    };
    Object.keys(actions).forEach(function(action) {
      try {
        session.setActionHandler(action, actions[action]);
      } catch (e) {
        // An action this browser does not offer.
      }
    });
  }

  // --- The start card.
  var startMs = addressStartMs();
  var startButton = document.getElementById('start');
  if (coarse) {
    root.classList.add('coarse');
    startButton.textContent = 'Tap to start';
  }
  if (startMs > 0) {
    var at = document.createElement('p');
    at.className = 'start-at';
    at.textContent = 'Starts at ' + clock(startMs);
    startButton.insertAdjacentElement('afterend', at);
  }

  // What show.js asks in the start gesture: the sound turned on, and where
  // the show plays from (the address's time on the first start only).
  window.playerControls = {
    beginStart: function() {
      resumeSound();
      mediaSession();
      return state() === 'start' ? startMs : 0;
    },
  };
})();

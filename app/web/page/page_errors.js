// The page's first script: it turns every way the show cannot run into a
// sentence a viewer can act on, the technical line below it, and loads the
// program only where it can run. It needs no other script, so it speaks
// when the program itself is missing.
'use strict';

(function() {
  var PROGRAM = 'pelmira15.js';
  var root = document.documentElement;
  var LOAD_SENTENCE = "The show's program could not be loaded: check the connection and reload";
  // The program's own error lines a viewer can do something about; the
  // first that matches speaks for the line.
  var PROGRAM_LINES = [
    {pattern: /cannot read (\S+): /, sentence: function(match) {
      return match[1] + ' cannot be fetched: check the connection and reload';
    }},
    {pattern: /OpenGL|WebGL/, sentence: function() {
      return 'This browser cannot show the pictures: turn on hardware acceleration or try another browser';
    }},
  ];
  var PROGRAM_SENTENCE = 'The show could not start: reload the page, or try another browser';
  var shown = false;

  // The first reason is the cause; what fails after it only echoes it.
  function show(sentence, detail) {
    if (shown) return;
    shown = true;
    document.getElementById('message').textContent = sentence;
    document.getElementById('message-detail').textContent = detail;
    root.dataset.state = 'error';
  }

  // Why the page cannot run here at all, before anything is fetched.
  function blocker() {
    if (location.protocol === 'file:') {
      return {sentence: 'Open this page from a web server',
              detail: 'a page opened as a file:// path may not fetch its program and data'};
    }
    if (!document.createElement('canvas').getContext('webgl2')) {
      return {sentence: 'This browser cannot show WebGL 2: turn on hardware acceleration or try another browser',
              detail: "canvas.getContext('webgl2') gave no context"};
    }
    return null;
  }

  var blocked = blocker();
  window.pageErrors = {
    // Whether the page can run here; where not, nothing is fetched.
    canRun: !blocked,
    // A line the program wrote on stderr as it failed.
    showProgramLine: function(line) {
      for (var i = 0; i < PROGRAM_LINES.length; ++i) {
        var match = line.match(PROGRAM_LINES[i].pattern);
        if (match) return show(PROGRAM_LINES[i].sentence(match), line);
      }
      show(PROGRAM_SENTENCE, line);
    },
    // Module.onAbort: before the program ran, its wasm did not arrive.
    showAbort: function(what, started) {
      show(started ? 'The show stopped: reload the page to try again' : LOAD_SENTENCE,
           'the program aborted: ' + what);
    },
  };

  if (blocked) {
    show(blocked.sentence, blocked.detail);
    return;
  }
  // After the page's other scripts, which set up the program's Module.
  document.addEventListener('DOMContentLoaded', function() {
    var script = document.createElement('script');
    script.src = PROGRAM;
    script.onerror = function() {
      show(LOAD_SENTENCE, 'cannot load ' + PROGRAM);
    };
    document.body.appendChild(script);
  });
})();

// The Web Audio half of the web sound output (audio/web/web_sound_backend.cpp):
// one AudioContext; a gain per channel, created when first used, into the
// master gain, then the viewer's own volume (Module.viewerGain, set by the
// page's controls through Module.viewerGainNode); and per stream, since it last started, a gain of its own that
// fades it in and out, and the buffers scheduled on it, kept until they end
// so that stopping the stream silences what it has queued.
mergeInto(LibraryManager.library, {
  $WebAudio: {
    context: null,
    master: null,
    masterGain: 1,
    viewer: null,
    rampSeconds: 0,
    channels: {},      // channel -> GainNode
    channelGains: {},  // channel -> gain, also before its node exists
    streams: {},       // stream -> {fade: GainNode, sources: scheduled AudioBufferSourceNodes}
    // Sources scheduled before the context runs, started once it does (a
    // context the browser holds back complains at every start).
    waiting: [],

    channelNode: function(channel) {
      var node = WebAudio.channels[channel];
      if (!node) {
        node = WebAudio.context.createGain();
        var gain = WebAudio.channelGains[channel];
        node.gain.value = gain === undefined ? 1 : gain;
        node.connect(WebAudio.master);
        WebAudio.channels[channel] = node;
      }
      return node;
    },

    // The stream's sources since it started; the first of them, heard from
    // when, fades in.
    streamPlay: function(stream, channel, when) {
      var play = WebAudio.streams[stream];
      if (!play) {
        var fade = WebAudio.context.createGain();
        fade.gain.setValueAtTime(0, when);
        fade.gain.linearRampToValueAtTime(1, when + WebAudio.rampSeconds);
        fade.connect(WebAudio.channelNode(channel));
        play = WebAudio.streams[stream] = {fade: fade, sources: [], stopped: false};
      }
      return play;
    },

    // Ends the play at the context's time end; what it sounds up to then
    // fades out from now.
    endPlay: function(play, end) {
      var param = play.fade.gain;
      var now = WebAudio.context.currentTime;
      if (param.cancelAndHoldAtTime) {
        param.cancelAndHoldAtTime(now);
      } else {
        param.cancelScheduledValues(now);
        param.setValueAtTime(param.value, now);
      }
      param.linearRampToValueAtTime(0, end);
      play.stopped = true;
      WebAudio.waiting = WebAudio.waiting.filter(function(pending) { return play.sources.indexOf(pending.source) < 0; });
      play.sources.slice().forEach(function(source) {
        try {
          source.stop(end);
        } catch (e) {
          // Never started: nothing to hear, nothing will end it.
          WebAudio.dropSource(play, source);
        }
      });
      if (!play.sources.length) play.fade.disconnect();
    },

    dropSource: function(play, source) {
      var index = play.sources.indexOf(source);
      if (index >= 0) play.sources.splice(index, 1);
      source.disconnect();
      if (play.stopped && !play.sources.length) play.fade.disconnect();
    },
  },

  webAudioOpen__deps: ['$WebAudio'],
  webAudioOpen: function(rate, rampSeconds) {
    var Context = typeof AudioContext !== 'undefined' ? AudioContext :
                  typeof webkitAudioContext !== 'undefined' ? webkitAudioContext : null;
    if (!Context) return 0;
    // The page made (or resumed) a context in the gesture that started the
    // show, at the browser's rate (the buffers are resampled): a browser
    // keeps one made later suspended.
    var context = Module['audioContext'];
    if (!context || context.state === 'closed') {
      try {
        context = new Context({sampleRate: rate});
      } catch (e) {
        // A rate the browser does not take: its own, the buffers are resampled.
        try { context = new Context(); } catch (e2) { return 0; }
      }
    }
    WebAudio.context = context;
    WebAudio.rampSeconds = rampSeconds;
    context.onstatechange = function() {
      if (context.state !== 'running') return;
      WebAudio.waiting.forEach(function(pending) { pending.source.start(pending.when); });
      WebAudio.waiting = [];
    };
    WebAudio.master = context.createGain();
    WebAudio.master.gain.value = WebAudio.masterGain;
    WebAudio.viewer = context.createGain();
    WebAudio.viewer.gain.value = Module['viewerGain'] === undefined ? 1 : Module['viewerGain'];
    WebAudio.viewer.connect(context.destination);
    WebAudio.master.connect(WebAudio.viewer);
    Module['viewerGainNode'] = WebAudio.viewer;
    // Starts at once after a user gesture; otherwise the grace runs out.
    if (context.state !== 'running') context.resume().catch(function() {});
    return 1;
  },

  webAudioRunning__deps: ['$WebAudio'],
  webAudioRunning: function() {
    return WebAudio.context && WebAudio.context.state === 'running' ? 1 : 0;
  },

  webAudioNowSeconds__deps: ['$WebAudio'],
  webAudioNowSeconds: function() {
    return WebAudio.context.currentTime;
  },

  // What is heard now: the output timestamp carried on to this moment,
  // never past what the context has rendered.
  webAudioHeardSeconds__deps: ['$WebAudio'],
  webAudioHeardSeconds: function() {
    var context = WebAudio.context;
    var stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (!stamp || !stamp.performanceTime) {
      return Math.max(0, context.currentTime - (context.outputLatency || context.baseLatency || 0));
    }
    var heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    return Math.max(0, Math.min(heard, context.currentTime));
  },

  webAudioSchedule__deps: ['$WebAudio'],
  webAudioSchedule: function(stream, channel, samples, frames, rate, when) {
    var context = WebAudio.context;
    var buffer = context.createBuffer(2, frames, rate);
    var left = buffer.getChannelData(0);
    var right = buffer.getChannelData(1);
    var at = samples >> 1;
    for (var i = 0; i < frames; ++i) {
      left[i] = HEAP16[at + 2 * i] / 32768;
      right[i] = HEAP16[at + 2 * i + 1] / 32768;
    }
    var play = WebAudio.streamPlay(stream, channel, when);
    var source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(play.fade);
    play.sources.push(source);
    source.onended = function() { WebAudio.dropSource(play, source); };
    if (context.state === 'running') source.start(when);
    else WebAudio.waiting.push({source: source, when: when});
  },

  webAudioStopStream__deps: ['$WebAudio'],
  webAudioStopStream: function(stream) {
    var play = WebAudio.streams[stream];
    if (!play) return;
    delete WebAudio.streams[stream];
    WebAudio.endPlay(play, WebAudio.context.currentTime + WebAudio.rampSeconds);
  },

  webAudioSetChannelGain__deps: ['$WebAudio'],
  webAudioSetChannelGain: function(channel, gain) {
    WebAudio.channelGains[channel] = gain;
    if (WebAudio.channels[channel]) WebAudio.channels[channel].gain.value = gain;
  },

  webAudioSetMasterGain__deps: ['$WebAudio'],
  webAudioSetMasterGain: function(gain) {
    WebAudio.masterGain = gain;
    if (WebAudio.master) WebAudio.master.gain.value = gain;
  },

  webAudioClose__deps: ['$WebAudio'],
  webAudioClose: function() {
    var context = WebAudio.context;
    if (context) {
      for (var stream in WebAudio.streams) WebAudio.endPlay(WebAudio.streams[stream], context.currentTime);
      context.close().catch(function() {});
    }
    WebAudio.context = null;
    WebAudio.master = null;
    WebAudio.viewer = null;
    Module['viewerGainNode'] = null;
    Module['audioContext'] = null;
    WebAudio.channels = {};
    WebAudio.channelGains = {};
    WebAudio.streams = {};
    WebAudio.waiting = [];
  },
});

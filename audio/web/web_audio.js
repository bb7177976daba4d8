// The Web Audio half of the web sound layer (audio/web/web_sound_system.cpp):
// one AudioContext; a gain per channel, created when first used, into the
// master gain; and the buffers scheduled for each stream, kept until they end
// so that stopping a stream silences what it has queued.
mergeInto(LibraryManager.library, {
  $WebAudio: {
    context: null,
    master: null,
    masterGain: 1,
    channels: {},      // channel -> GainNode
    channelGains: {},  // channel -> gain, also before its node exists
    sources: {},       // stream -> scheduled AudioBufferSourceNodes
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

    stopSources: function(list) {
      WebAudio.waiting = WebAudio.waiting.filter(function(pending) { return list.indexOf(pending.source) < 0; });
      list.forEach(function(source) {
        source.onended = null;
        try { source.stop(); } catch (e) {}
        source.disconnect();
      });
    },
  },

  webAudioOpen__deps: ['$WebAudio'],
  webAudioOpen: function(rate) {
    var Context = typeof AudioContext !== 'undefined' ? AudioContext :
                  typeof webkitAudioContext !== 'undefined' ? webkitAudioContext : null;
    if (!Context) return 0;
    var context = null;
    try {
      context = new Context({sampleRate: rate});
    } catch (e) {
      // A rate the browser does not take: its own, the buffers are resampled.
      try { context = new Context(); } catch (e2) { return 0; }
    }
    WebAudio.context = context;
    context.onstatechange = function() {
      if (context.state !== 'running') return;
      WebAudio.waiting.forEach(function(pending) { pending.source.start(pending.when); });
      WebAudio.waiting = [];
    };
    WebAudio.master = context.createGain();
    WebAudio.master.gain.value = WebAudio.masterGain;
    WebAudio.master.connect(context.destination);
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
    var source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(WebAudio.channelNode(channel));
    var list = WebAudio.sources[stream] || (WebAudio.sources[stream] = []);
    list.push(source);
    source.onended = function() {
      var index = list.indexOf(source);
      if (index >= 0) list.splice(index, 1);
      source.disconnect();
    };
    if (context.state === 'running') source.start(when);
    else WebAudio.waiting.push({source: source, when: when});
  },

  webAudioStopStream__deps: ['$WebAudio'],
  webAudioStopStream: function(stream) {
    var list = WebAudio.sources[stream];
    if (!list) return;
    WebAudio.stopSources(list);
    delete WebAudio.sources[stream];
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
    for (var stream in WebAudio.sources) WebAudio.stopSources(WebAudio.sources[stream]);
    if (WebAudio.context) WebAudio.context.close().catch(function() {});
    WebAudio.context = null;
    WebAudio.master = null;
    WebAudio.channels = {};
    WebAudio.channelGains = {};
    WebAudio.sources = {};
    WebAudio.waiting = [];
  },
});

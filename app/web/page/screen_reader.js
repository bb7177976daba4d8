// The words on screen, for a screen reader: visually hidden live regions,
// one for the text slide and one for the credits, each changing when the
// show moves on. The words come from slide_texts.js, which the build writes
// from the copy the pictures are lettered from; what shows, the program says.
'use strict';

(function() {
  var root = document.documentElement;
  // Each region: what the program says shows (an index, -1 for nothing), and
  // the words for it.
  var regions = [
    {element: document.getElementById('screen-slide'), shown: '',
     words: function() {
       var slide = Module._showTextSlide();
       return slide >= 0 ? showSlideTexts[slide] : '';
     }},
    {element: document.getElementById('screen-credit'), shown: '',
     words: function() {
       var heading = Module._showCreditHeading();
       var name = Module._showCreditName();
       return heading >= 0 && name >= 0 ? showCreditHeadings[heading] + ': ' + showCreditNames[name] : '';
     }},
  ];

  function follow() {
    var playing = root.dataset.state === 'playing' || root.dataset.state === 'ending';
    var ready = playing && window.showSlideTexts && window.Module && Module._showTextSlide;
    regions.forEach(function(region) {
      var words = ready ? region.words() : '';
      if (words !== region.shown) region.element.textContent = region.shown = words;
    });
    requestAnimationFrame(follow);
  }
  requestAnimationFrame(follow);
})();

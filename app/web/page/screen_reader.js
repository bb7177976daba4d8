// The words of the text slide on screen, for a screen reader: a visually
// hidden live region that changes when the show moves to another slide. The
// words come from slide_texts.js, which the build writes from the copy the
// slides are lettered from; which slide shows, the program says.
'use strict';

(function() {
  var root = document.documentElement;
  var region = document.getElementById('screen-text');
  var shown = -1;

  function follow() {
    var playing = root.dataset.state === 'playing' || root.dataset.state === 'ending';
    var slide = playing && window.Module && Module._showTextSlide ? Module._showTextSlide() : -1;
    if (slide !== shown) {
      shown = slide;
      region.textContent = slide >= 0 && window.showSlideTexts ? showSlideTexts[slide] : '';
    }
    requestAnimationFrame(follow);
  }
  requestAnimationFrame(follow);
})();

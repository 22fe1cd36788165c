// How the game's one thread waits in a page: it hands control back to the
// browser (Asyncify unwinds the wasm stack) until the frame gate opens on
// the page clock, input comes, or a hidden page is shown again.
mergeInto(LibraryManager.library, {
  $TTWait: {
    // Timers wake a little late, often by a millisecond; the last stretch
    // before the gate is watched through a message channel, which comes
    // round at once but leaves the browser its input and drawing between.
    watchMs: 2,
    wake: null,
    channel: null,
    post: function(callback) {
      if (!TTWait.channel) {
        TTWait.channel = new MessageChannel();
        TTWait.channel.port1.onmessage = function() {
          var callbacks = TTWait.posted;
          TTWait.posted = [];
          callbacks.forEach(function(f) { f(); });
        };
        TTWait.posted = [];
      }
      TTWait.posted.push(callback);
      TTWait.channel.port2.postMessage(0);
    },
  },

  // Returns once (performance.now() - programStart) >= target, the sum the
  // game's clock truncates, so the counter then reads at least target. Always
  // yields at least once, so a frame drawn just before is shown. A hidden
  // page goes on waiting until it is shown: no frames, no catching up.
  tt_wait__deps: ['$TTWait'],
  tt_wait: function(programStart, target) {
    return Asyncify.handleSleep(function(wakeUp) {
      var done = false, pending = false, watchedSince = 0;
      function finish() {
        if (done) return;
        done = true;
        TTWait.wake = null;
        document.removeEventListener('visibilitychange', shown);
        wakeUp();
      }
      function shown() {
        if (!pending) check();
      }
      function check() {
        pending = false;
        if (done || document.hidden) return;
        var left = target - (performance.now() - programStart);
        if (left <= 0) return finish();
        pending = true;
        // Whole milliseconds only: a shorter timer set from a timer's own
        // callback is stretched to 4 ms after a few rounds.
        var sleep = Math.floor(left - TTWait.watchMs);
        if (sleep >= 1) {
          watchedSince = 0;
          setTimeout(check, sleep);
        } else if (!watchedSince || Date.now() - watchedSince < 4 * TTWait.watchMs) {
          // A page clock held still by a test would be watched forever.
          if (!watchedSince) watchedSince = Date.now();
          TTWait.post(check);
        } else {
          setTimeout(check, 1);
        }
      }
      // Called from an input event: the game takes it up in a task of its own.
      TTWait.wake = function() {
        if (!document.hidden) TTWait.post(finish);
      };
      document.addEventListener('visibilitychange', shown);
      pending = true;
      TTWait.post(check);
    });
  },

  tt_wake__deps: ['$TTWait'],
  tt_wake: function() {
    if (TTWait.wake) TTWait.wake();
  },
});

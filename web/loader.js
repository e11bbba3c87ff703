// Starts the game on /play, or a watched run on /runs/{id}/watch. No inline
// script, no eval: the page's Content-Security-Policy allows neither.
'use strict';
(function () {
  // The hashed names of the build's files; scripts/web.sh fills them in.
  var files = {
    'quorvex.js': '/play/@quorvex.js@',
    'quorvex.wasm': '/play/@quorvex.wasm@',
    'quorvex.data': '/play/@quorvex.data@'
  };
  // Their sizes as built (as fetched, after any compression is undone).
  var sizes = {
    'quorvex.wasm': Number('@quorvex.wasm:bytes@'),
    'quorvex.data': Number('@quorvex.data:bytes@')
  };
  var note = document.getElementById('note');
  var canvas = document.getElementById('canvas');
  var watchPage = document.body.getAttribute('data-page') === 'watch';

  function say(text) {
    note.textContent = text;
    note.hidden = false;
  }

  // The game cannot go on: the sentence alone, in place of the canvas.
  var failed = false;
  function fail(text) {
    if (failed) return;
    failed = true;
    document.body.classList.add('unsupported');
    var game = document.getElementById('game');
    if (game) game.hidden = true;
    if (bar) bar.root.hidden = true;
    say(text);
  }

  var bar = null;
  function unsupported(missing) {
    fail('Quorvex needs ' + missing.join(' and ') + ', which this browser does not offer. ' +
         'Try a current Chrome, Firefox, Edge or Safari, with hardware acceleration on.');
  }
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    var gl2 = null;
    try { gl2 = document.createElement('canvas').getContext('webgl2'); } catch (e) { gl2 = null; }
    unsupported(gl2 ? ['WebAssembly'] : ['WebAssembly', 'WebGL 2']);
    return;
  }
  // The progress bar: the bytes of the module and its data as they arrive.
  (function () {
    var game = document.getElementById('game');
    if (!game) return;
    var root = document.createElement('div');
    root.id = 'progress';
    root.innerHTML = '<div><div></div></div><p>Loading...</p>';
    game.appendChild(root);
    bar = {root: root, fill: root.firstChild.firstChild, text: root.lastChild, loaded: {}};
  })();
  function progress(name, got) {
    if (!bar) return;
    bar.loaded[name] = got;
    var loaded = 0, total = 0;
    for (var n in sizes) {
      var have = bar.loaded[n] || 0;
      loaded += have;
      total += sizes[n] > 0 ? sizes[n] : have;
    }
    var share = total > 0 ? Math.min(1, loaded / total) : 0;
    if (loaded > 0 && window.quorvexProgressMs === undefined) {
      window.quorvexProgressMs = performance.now();
      checkWebGL();
    }
    bar.fill.style.width = (share * 100).toFixed(1) + '%';
    bar.root.setAttribute('data-loaded', String(loaded));
    bar.root.setAttribute('data-total', String(total));
    bar.text.textContent = 'Loading: ' + (loaded / 1048576).toFixed(1) + ' of ' +
                           (total / 1048576).toFixed(1) + ' MB';
  }

  // One file, counted as it comes.
  function fetchCounted(name) {
    var how = stopFetching ? {signal: stopFetching.signal} : {};
    return fetch(files[name], how).then(function (response) {
      if (!response.ok) throw new Error(files[name] + ' answered ' + response.status);
      if (!response.body || !response.body.getReader) {
        return response.arrayBuffer().then(function (whole) {
          progress(name, whole.byteLength);
          return whole;
        });
      }
      var reader = response.body.getReader(), parts = [], got = 0;
      function next() {
        return reader.read().then(function (step) {
          if (!step.done) {
            parts.push(step.value);
            got += step.value.length;
            progress(name, got);
            return next();
          }
          var whole = new Uint8Array(got), at = 0;
          parts.forEach(function (part) { whole.set(part, at); at += part.length; });
          return whole.buffer;
        });
      }
      return next();
    });
  }

  // The game's page starts fetching at once (a WebGL context takes a while
  // to make); the watch page once it knows the run can be watched.
  var fetching = null;
  var stopFetching = typeof AbortController === 'function' ? new AbortController() : null;
  if (!watchPage) fetching = fetchBoth();

  // WebGL 2 is tried once the bar has shown the first bytes: making a
  // context can take a while, and would hold the bar still meanwhile.
  var glChecked = null;
  function checkWebGL() {
    if (glChecked) return glChecked;
    glChecked = new Promise(function (resolve, reject) {
      setTimeout(function () {
        var gl = null;
        try { gl = document.createElement('canvas').getContext('webgl2'); } catch (e) { gl = null; }
        if (!gl) {
          if (stopFetching) stopFetching.abort();
          unsupported(['WebGL 2']);
          reject(new Error('no WebGL 2'));
          return;
        }
        var lost = gl.getExtension('WEBGL_lose_context');
        if (lost) lost.loseContext();
        resolve();
      }, 50);
    });
    return glChecked;
  }

  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  var started = Date.now();

  // Out of memory: a phone that cannot give the module its memory, or
  // refuses it more later. A refused growth is noted as it happens, since
  // the module only sees an allocation fail.
  var memoryRefused = false;
  var grow = WebAssembly.Memory.prototype.grow;
  WebAssembly.Memory.prototype.grow = function (pages) {
    try {
      return grow.call(this, pages);
    } catch (e) {
      memoryRefused = true;
      throw e;
    }
  };
  function stopped(what) {
    var text = String(what && what.message !== undefined ? what.message : what);
    if (memoryRefused || /out of memory|enlarge memory|allocate|OOM/i.test(text)) {
      fail('Quorvex ran out of memory on this device: close other tabs or apps, then reload ' +
           'the page.');
    } else if (window.quorvexStartedMs === undefined) {
      fail('The game stopped while starting (' + text + '): reload the page to try again.');
    }
  }
  window.addEventListener('error', function (e) {
    if (memoryRefused) stopped(e.error || e.message);
  });
  window.addEventListener('unhandledrejection', function (e) { stopped(e.reason); });

  var Module = {
    canvas: canvas,
    locateFile: function (path) { return files[path] || path; },
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    preRun: [],
    quorvexNotice: say,
    onAbort: stopped,
    quorvexStarted: function () {
      window.quorvexStartedMs = Date.now() - started;
      if (bar) bar.root.hidden = true;
      document.body.setAttribute('data-started', String(window.quorvexStartedMs));
      canvas.focus();
    },
    quorvexFullScreen: function (on) {
      // Escape means nothing on a phone.
      document.getElementById('fullscreen-note').hidden =
        !on || document.body.classList.contains('touch');
    }
  };
  window.Module = Module;

  // The module and its data are fetched first (with the bar), then handed
  // to the glue, which the page has been fetching meanwhile.
  function fetchBoth() {
    return Promise.all([fetchCounted('quorvex.wasm'), fetchCounted('quorvex.data')]);
  }
  function load() {
    Promise.all([fetching || fetchBoth(), checkWebGL()]).then(function (both) {
      var got = both[0];
      Module.wasmBinary = new Uint8Array(got[0]);
      var data = got[1];
      Module.getPreloadedPackage = function () {
        var whole = data;
        data = null;
        return whole;
      };
      if (bar) bar.text.textContent = 'Starting...';
      var script = document.createElement('script');
      script.src = files['quorvex.js'];
      script.onerror = function () {
        fail('The game could not be loaded: ' + files['quorvex.js']);
      };
      document.body.appendChild(script);
    }).catch(function (error) {
      fail('The game could not be loaded (' + error.message + '): reload the page to try again.');
    });
  }

  // The screen stays on while a game is played (where the browser allows).
  var wakeLock = null, awakeWanted = false;
  function keepAwake(on) {
    awakeWanted = on;
    if (!navigator.wakeLock) return;
    if (on && !wakeLock && document.visibilityState === 'visible') {
      wakeLock = navigator.wakeLock.request('screen').then(function (lock) {
        document.body.setAttribute('data-awake', 'yes');
        lock.addEventListener('release', function () {
          wakeLock = null;
          document.body.setAttribute('data-awake', 'no');
          if (awakeWanted) keepAwake(true);
        });
        if (!awakeWanted) lock.release();
        return lock;
      }, function () {
        wakeLock = null;
        return null;
      });
    } else if (!on && wakeLock) {
      wakeLock.then(function (lock) { if (lock && !lock.released) lock.release(); });
    }
  }
  // The browser lets go of it when the page is hidden.
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'visible' && awakeWanted) {
      wakeLock = null;
      keepAwake(true);
    }
  });

  // Full screen and landscape at the first tap, where the browser allows;
  // a refusal changes nothing.
  var wentFull = false;
  function appLike() {
    if (wentFull) return;
    wentFull = true;
    var game = document.getElementById('game');
    var ask = game.requestFullscreen || game.webkitRequestFullscreen;
    if (!ask || document.fullscreenElement) return;
    function landscape() {
      if (screen.orientation && screen.orientation.lock)
        screen.orientation.lock('landscape').catch(function () {});
    }
    try {
      var asked = ask.call(game, {navigationUI: 'hide'});
      if (asked && asked.then) asked.then(landscape, function () {});
    } catch (e) { /* refused */ }
  }


  // Touch controls: a virtual pad the module merges with a real one. In the
  // game the left thumb walks (pushed to the rim, runs) and the right aims
  // and fires; on a screen a tap is a click. Shown once the page is touched,
  // hidden again when a key, the mouse or a real pad is used.
  function touchControls() {
    var layer = document.getElementById('touch');
    var game = document.getElementById('game');
    if (!layer || !game) return;
    // PadButton bits, and the axes' full travel.
    var RUN = 1 << 7, START = 1 << 6, B = 1 << 1, NEXT = 1 << 10, FULL = 32767;
    var sticks = {left: null, right: null};
    var buttons = {};  // touch id -> the button it holds
    var pulse = 0;     // buttons pressed for a few frames (pause, a tap on Game Over)
    var sent = '';
    var used = false;
    var options = {size: 1, opacity: 0.5, leftHanded: false, vibrate: true};
    var els = {
      left: document.getElementById('stick-left'),
      right: document.getElementById('stick-right'),
      special: document.getElementById('touch-special'),
      next: document.getElementById('touch-next'),
      pause: document.getElementById('touch-pause')
    };

    function radius() { return 56 * options.size; }
    function mode() { return Module.quorvexTouchMode || 0; }

    function show(on) {
      used = on;
      document.body.classList.toggle('touch', on);
    }
    Module.quorvexTouchOff = function () { if (used) show(false); };
    // The player's touch options, told by the module at start and whenever
    // they change.
    Module.quorvexTouchOptions = function (size, opacity, leftHanded, vibrate) {
      options.size = size;
      options.opacity = opacity;
      options.leftHanded = !!leftHanded;
      options.vibrate = !!vibrate;
      layer.classList.toggle('left-handed', options.leftHanded);
      layer.style.setProperty('--touch-size', String(size));
      layer.style.setProperty('--touch-opacity', String(opacity));
    };

    Module.quorvexVibrate = function (ms) {
      if (used && options.vibrate && navigator.vibrate) navigator.vibrate(ms);
    };

    function stickValue(s) {
      var dx = s.x - s.ox, dy = s.y - s.oy, len = Math.sqrt(dx * dx + dy * dy), r = radius();
      return {dx: dx, dy: dy, len: len, r: r};
    }

    function send() {
      if (!Module._quorvex_touch_pad) return;
      var held = pulse, lx = 0, ly = 0, rx = 0, ry = 0, lt = 0, rt = 0;
      for (var id in buttons) {
        if (buttons[id] === 'special') lt = FULL;
        else if (buttons[id] === 'next') held |= NEXT;
      }
      if (sticks.left) {
        var l = stickValue(sticks.left), k = l.len > l.r ? l.r / l.len : 1;
        lx = Math.round(l.dx * k / l.r * FULL);
        ly = Math.round(l.dy * k / l.r * FULL);
        if (l.len >= 0.95 * l.r) held |= RUN;
      }
      if (sticks.right) {
        // Aims where it points, however far; fires while held.
        var r = stickValue(sticks.right);
        if (r.len >= 8) {
          rx = Math.round(r.dx / r.len * FULL);
          ry = Math.round(r.dy / r.len * FULL);
        }
        rt = FULL;
      }
      var now = [held, lx, ly, rx, ry, lt, rt].join();
      if (now === sent) return;
      sent = now;
      Module._quorvex_touch_pad(held, lx, ly, rx, ry, lt, rt);
    }

    function draw() {
      ['left', 'right'].forEach(function (side) {
        var s = sticks[side], el = els[side];
        el.hidden = !s;
        if (!s) return;
        var v = stickValue(s), k = v.len > v.r ? v.r / v.len : 1;
        el.style.left = s.ox + 'px';
        el.style.top = s.oy + 'px';
        el.firstElementChild.style.transform = 'translate(' + (v.dx * k) + 'px,' + (v.dy * k) + 'px)';
      });
      layer.classList.toggle('playing', mode() === 0);
    }

    function press(bits) {
      // Held for a few frames, so the module's once-a-frame poll sees it.
      pulse |= bits;
      send();
      var frames = 3;
      (function wait() {
        if (--frames > 0) { requestAnimationFrame(wait); return; }
        pulse &= ~bits;
        send();
      })();
    }

    function releaseAll() {
      sticks.left = sticks.right = null;
      buttons = {};
      send();
      draw();
    }

    function buttonAt(x, y) {
      if (mode() !== 0) return null;
      var names = ['special', 'next', 'pause'];
      for (var i = 0; i < names.length; i++) {
        var b = els[names[i]].getBoundingClientRect();
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return names[i];
      }
      return null;
    }

    var taps = {};  // touch id -> where it landed, on a screen
    function start(e) {
      e.preventDefault();
      if (!used) show(true);
      var half = game.getBoundingClientRect().width / 2;
      for (var i = 0; i < e.changedTouches.length; i++) {
        var t = e.changedTouches[i], x = t.clientX, y = t.clientY;
        if (mode() !== 0) {
          taps[t.identifier] = {x: x, y: y};
          continue;
        }
        var button = buttonAt(x, y);
        if (button === 'pause') {
          press(START);
          continue;
        }
        if (button) {
          buttons[t.identifier] = button;
          continue;
        }
        var side = (x < half) !== options.leftHanded ? 'left' : 'right';
        // A third finger, or a second on a side already held, does nothing.
        if (sticks[side]) continue;
        sticks[side] = {id: t.identifier, ox: x, oy: y, x: x, y: y};
      }
      send();
      draw();
    }

    function move(e) {
      e.preventDefault();
      for (var i = 0; i < e.changedTouches.length; i++) {
        var t = e.changedTouches[i];
        ['left', 'right'].forEach(function (side) {
          var s = sticks[side];
          if (s && s.id === t.identifier) { s.x = t.clientX; s.y = t.clientY; }
        });
      }
      send();
      draw();
    }

    function end(e) {
      e.preventDefault();
      var cancelled = e.type === 'touchcancel';
      // While typing with the phone's keyboard down, a tap only brings it up.
      var opening = typing && document.activeElement !== field;
      for (var i = 0; i < e.changedTouches.length; i++) {
        var t = e.changedTouches[i], id = t.identifier;
        ['left', 'right'].forEach(function (side) {
          if (sticks[side] && sticks[side].id === id) sticks[side] = null;
        });
        delete buttons[id];
        var tap = taps[id];
        delete taps[id];
        if (!tap || cancelled || opening || mode() === 0) continue;
        var c = canvas.getBoundingClientRect();
        var x = t.clientX - c.left, y = t.clientY - c.top;
        if (!Module._quorvex_touch_tap) continue;
        // On Game Over a tap is a press (B), as any key is; elsewhere a click.
        if (mode() === 2) {
          if (!Module._quorvex_touch_tap(x, y, 0)) press(B);
        } else {
          Module._quorvex_touch_tap(x, y, 1);
        }
      }
      send();
      draw();
      if (!cancelled) appLike();
      keyboard();
    }

    // Typing on a phone: while the game takes text (a name, an address) the
    // hidden field holds the focus, so that the phone shows its keyboard
    // (at once where the browser allows it, else at the next tap, which does
    // nothing more); what it types goes to the game as typed text, and the
    // field stays empty.
    var field = document.getElementById('text-field'), typing = false;
    function keyboard() {
      if (typing && used && document.activeElement !== field) field.focus({preventScroll: true});
    }
    Module.quorvexTextInput = function (on) {
      typing = !!on;
      if (typing) keyboard();
      else if (document.activeElement === field) canvas.focus({preventScroll: true});
    };
    function edit(what) {
      if (Module._quorvex_text_field) Module._quorvex_text_field(what, 0);
    }
    field.addEventListener('input', function () {
      var text = field.value;
      field.value = '';
      if (!Module._quorvex_text_field) return;
      for (var ch of text) Module._quorvex_text_field(0, ch.codePointAt(0));
    });
    field.addEventListener('beforeinput', function (e) {
      if (e.inputType === 'deleteContentBackward') { e.preventDefault(); edit(1); }
      if (e.inputType === 'insertLineBreak') { e.preventDefault(); edit(2); }
    });
    // A phone's keyboard may give Backspace and Enter with no key code, which
    // the module's own key handling does not know.
    field.addEventListener('keydown', function (e) {
      if (e.code) return;
      if (e.key === 'Backspace') { e.preventDefault(); edit(1); }
      if (e.key === 'Enter') { e.preventDefault(); edit(2); }
    });

    var opts = {passive: false};
    game.addEventListener('touchstart', start, opts);
    game.addEventListener('touchmove', move, opts);
    game.addEventListener('touchend', end, opts);
    game.addEventListener('touchcancel', end, opts);
    // The phone's keyboard typing into the text field is no keyboard in use.
    window.addEventListener('keydown', function (e) {
      if (used && e.target !== field) show(false);
    }, true);
    window.addEventListener('mousedown', function () { if (used) show(false); }, true);
    // A turn of the device lets go of everything held; turned to portrait
    // in the middle of a game, the menu opens.
    window.addEventListener('resize', function () {
      if (!used) return;
      releaseAll();
      if (mode() === 0 && innerHeight > innerWidth) press(START);
    });
    // The module says when the game starts or stops being played: what was
    // held in the game is let go on a screen.
    Module.quorvexTouchModeChanged = function () {
      releaseAll();
      keepAwake(mode() === 0);
    };
  }

  if (!watchPage) {
    touchControls();
    load();
    return;
  }

  // The watch page: the run's record and its replay first.
  var match = /^\/runs\/(\d+)\/watch\/?$/.exec(location.pathname);
  if (!match) {
    say('No run to watch here: the address should be /runs/{id}/watch.');
    return;
  }
  var id = match[1];
  document.getElementById('watch-title').textContent = 'Watching run #' + id;
  var run = null;

  function json(response) {
    if (!response.ok) throw new Error('the server answered ' + response.status);
    return response.json();
  }
  function bytes(response) {
    if (!response.ok) throw new Error('the replay is not available (' + response.status + ')');
    return response.arrayBuffer();
  }
  function field(record, key) {
    var part = record && (record.replayed || record.recorded);
    return part && part[key] !== undefined ? part[key] : null;
  }
  function setText(idName, value) {
    document.getElementById(idName).textContent = value === null ? '' : String(value);
  }

  var buttons = ['pause', '1x', '2x', '4x', 'restart'].map(function (name) {
    return document.getElementById('watch-' + name);
  });
  var paused = false;
  function command(which, arg) { Module.ccall('quorvex_watch_command', null, ['number', 'number'], [which, arg]); }
  function speed(factor, button) {
    command(1, factor);
    buttons.slice(1, 4).forEach(function (b) { b.classList.toggle('on', b === button); });
  }
  buttons[0].addEventListener('click', function () {
    paused = !paused;
    command(0, paused ? 1 : 0);
    buttons[0].textContent = paused ? 'Go on' : 'Pause';
    canvas.focus();
  });
  buttons[1].addEventListener('click', function () { speed(1, buttons[1]); canvas.focus(); });
  buttons[2].addEventListener('click', function () { speed(2, buttons[2]); canvas.focus(); });
  buttons[3].addEventListener('click', function () { speed(4, buttons[3]); canvas.focus(); });
  buttons[4].addEventListener('click', function () {
    document.getElementById('watch-result').hidden = true;
    paused = false;
    buttons[0].textContent = 'Pause';
    command(0, 0);
    command(2, 0);
    canvas.focus();
  });

  Module.quorvexWatch = true;
  Module.quorvexStarted = function () {
    buttons.forEach(function (b) { b.disabled = false; });
    buttons[1].classList.add('on');
    canvas.focus();
  };
  Module.quorvexWatchFailed = function (why) {
    say('This run cannot be watched here: ' + why + '.');
  };
  Module.quorvexWatchEnded = function (score, time, kills, checksum, fileChecksum) {
    var result = document.getElementById('watch-result');
    setText('here-score', score);
    setText('here-time', time.toFixed(2));
    setText('here-kills', kills);
    setText('here-checksum', checksum);
    setText('server-score', field(run, 'score'));
    var serverTime = field(run, 'time');
    setText('server-time', serverTime === null ? null : Number(serverTime).toFixed(2));
    setText('server-kills', field(run, 'kills'));
    setText('server-checksum', field(run, 'checksum'));
    setText('server-verdict', run.status || '');
    var agree = field(run, 'checksum') === checksum && field(run, 'score') === score &&
                field(run, 'kills') === kills;
    result.setAttribute('data-checksum', checksum);
    result.setAttribute('data-agree', agree ? 'yes' : 'no');
    // The file played through by the rules alone, as the verifier plays it.
    result.setAttribute('data-file-checksum', fileChecksum);
    result.className = agree ? 'agree' : 'differ';
    setText('watch-agree', (agree ? 'The replay in this page ends exactly as the server found.'
                                  : 'The replay in this page ends differently from the server\'s result.') +
            (fileChecksum === checksum ? '' : ' (Played through without the picture, the file ' +
                                              'ends on ' + fileChecksum + '.)'));
    result.hidden = false;
  };

  Promise.all([
    fetch('/api/v1/runs/' + id, {headers: {'Accept': 'application/json'}}).then(json),
    fetch('/api/v1/runs/' + id + '/replay').then(bytes)
  ]).then(function (got) {
    run = got[0];
    var generation = typeof run.generation === 'number' ? run.generation : 1;
    if (generation !== 2) {
      say('Run #' + id + ' was played with rules generation ' + generation +
          ', which this page does not replay. Watch it with the desktop game: download the ' +
          'replay from /api/v1/runs/' + id + '/replay and run quorvex --replay FILE.');
      return;
    }
    var replay = new Uint8Array(got[1]);
    Module.preRun.push(function () { FS.writeFile('/watch.qvr', replay); });
    load();
  }).catch(function (error) {
    say('Run #' + id + ' cannot be watched: ' + error.message + '.');
  });
})();

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
  var note = document.getElementById('note');
  var canvas = document.getElementById('canvas');
  var watchPage = document.body.getAttribute('data-page') === 'watch';

  function say(text) {
    note.textContent = text;
    note.hidden = false;
  }

  var missing = [];
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function')
    missing.push('WebAssembly');
  var probe = document.createElement('canvas');
  var gl = null;
  try { gl = probe.getContext('webgl2'); } catch (e) { gl = null; }
  if (!gl) missing.push('WebGL 2');
  if (missing.length) {
    document.body.classList.add('unsupported');
    var game = document.getElementById('game');
    if (game) game.hidden = true;
    say('Quorvex needs ' + missing.join(' and ') + ', which this browser does not offer. ' +
        'Try a current Chrome, Firefox, Edge or Safari, with hardware acceleration on.');
    return;
  }
  var lost = gl.getExtension('WEBGL_lose_context');
  if (lost) lost.loseContext();

  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  var started = Date.now();

  var Module = {
    canvas: canvas,
    locateFile: function (path) { return files[path] || path; },
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    preRun: [],
    quorvexNotice: say,
    quorvexStarted: function () {
      window.quorvexStartedMs = Date.now() - started;
      document.body.setAttribute('data-started', String(window.quorvexStartedMs));
      canvas.focus();
    },
    quorvexFullScreen: function (on) {
      document.getElementById('fullscreen-note').hidden = !on;
    }
  };
  window.Module = Module;

  function load() {
    var script = document.createElement('script');
    script.src = files['quorvex.js'];
    script.onerror = function () { say('The game could not be loaded: ' + files['quorvex.js']); };
    document.body.appendChild(script);
  }

  if (!watchPage) {
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

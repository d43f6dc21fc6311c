// Helixor's main window and graph window on the page. The program's state
// and commands live in a worker (worker.js) that runs the module; this side
// keeps what is shown, the placeholders, GraphDrawn and the dialogs.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);

  const FIELDS = ['AEdit', 'BEdit', 'xt', 'yt', 'zt', 'Precission'];
  const EXPRESSIONS = ['AEdit', 'BEdit', 'xt', 'yt', 'zt'];
  const PLACEHOLDERS = {
    AEdit: '         a', BEdit: '         b', xt: '      x(t)', yt: '      y(t)', zt: '      z(t)',
  };
  const VIEW_BUTTONS = {FrontButton: 'front', LeftButton: 'left', BottomButton: 'bottom', Isometric: 'isometric'};
  // The axis letters of each view: horizontal, vertical, and whether Z shows.
  const LETTERS = {front: ['X', 'Y', false], left: ['Z', 'Y', false], bottom: ['X', 'Z', false], isometric: ['X', 'Y', true]};
  const WIDTH = 600;
  const HEIGHT = 451;

  class Cancelled extends Error {}

  // ---- What the page shows and remembers --------------------------------

  let view = 'isometric';
  // Set by a completed drawing, cleared by an edit of an expression field.
  let graphDrawn = false;
  // Edits of the expression fields so far: one made while a drawing runs
  // clears GraphDrawn after that drawing, as it would right after it.
  let edits = 0;
  let currentT = null;
  let palette = null;            // 256 colours as RGBA words
  let backgrounds = null;        // {coord3d, coord2d}: blank axis pictures
  let shownPixels = null;        // the picture's indices on the canvas
  let pictureIsDrawing = false;  // the canvas shows a drawing, so it has an SVG
  let baseName = 'helixor';
  let draws = 0;
  let drawing = null;            // {id} of the drawing in the worker
  let startFailed = false;       // the module could not start

  const canvas = $('Graph');
  // Read back often by scripts that check the picture; kept in memory for that.
  const context = canvas.getContext('2d', {willReadFrequently: true});
  const image = context.createImageData(WIDTH, HEIGHT);
  const imageWords = new Uint32Array(image.data.buffer);

  function setState(state) {
    document.body.dataset.state = state;
  }

  // The picture from its own colour indices, one canvas pixel per pixel.
  function showPicture(pixels) {
    shownPixels = pixels;
    for (let i = 0; i < imageWords.length; ++i) imageWords[i] = palette[pixels[i]];
    context.putImageData(image, 0, 0);
  }

  function showLabels(zoom, length) {
    $('ZoomLabel').textContent = zoom;
    $('LengthLabel').textContent = length;
  }

  function showLetters() {
    const [x, y, z] = LETTERS[view];
    $('XLabel').textContent = x;
    $('YLabel').textContent = y;
    $('ZLabel').hidden = !z;
    if (z) $('ZLabel').textContent = 'Z';
  }

  function setPictureIsDrawing(value) {
    pictureIsDrawing = value;
    $('SvgButton').disabled = !value;
  }

  // ---- The worker --------------------------------------------------------

  let worker = null;
  let workerReady = null;
  let nextId = 1;
  const pending = new Map();

  function startWorker() {
    worker = new Worker('worker.js');
    let resolveReady, rejectReady;
    workerReady = new Promise((resolve, reject) => {
      resolveReady = resolve;
      rejectReady = reject;
    });
    worker.onmessage = (event) => {
      const msg = event.data;
      if (msg.type === 'ready') {
        // The first worker to come up sets the page up, before any command
        // waiting for it is posted: the first one may have been stopped by
        // Cancel while it was still loading.
        if (!palette) setUp(msg);
        return resolveReady(msg);
      }
      if (msg.type === 'failed') return rejectReady(new Error(msg.text));
      const call = pending.get(msg.id);
      if (!call) return;
      if (msg.type === 'progress') return call.progress && call.progress(msg);
      pending.delete(msg.id);
      if (msg.type === 'error') call.reject(new Error(msg.text));
      else call.resolve(msg);
    };
    worker.onerror = (event) => {
      event.preventDefault();
      const error = new Error(event.message || 'The drawing engine stopped.');
      rejectReady(error);
      for (const call of pending.values()) call.reject(error);
      pending.clear();
    };
    return workerReady;
  }

  // Posts a command once the worker is up; answer settles with its reply.
  function ask(op, args, progress) {
    const id = nextId++;
    const answer = new Promise((resolve, reject) => pending.set(id, {resolve, reject, progress}));
    workerReady.then(() => {
      if (pending.has(id)) worker.postMessage(Object.assign({op, id}, args));
    }, (error) => {
      const call = pending.get(id);
      pending.delete(id);
      if (call) call.reject(error);
    });
    return {id, answer};
  }

  // ---- Commands, one after another, each with its messages ---------------

  let chain = Promise.resolve();
  function command(run) {
    chain = chain.then(run).catch((error) => {
      if (!(error instanceof Cancelled)) return showMessage('box', fullStop(error.message || String(error)));
    });
    return chain;
  }

  // The standard error box's full stop rule: one is added unless the text
  // ends in a full stop or a character that sorts before it.
  function fullStop(text) {
    return text && text[text.length - 1] <= '.' ? text : text + '.';
  }

  // Shows one message modally and waits until it is closed.
  function showMessage(kind, text) {
    const dialog = $(kind === 'dialog' ? 'ErrorDialog' : 'ErrorBox');
    $(kind === 'dialog' ? 'ErrorDialogText' : 'ErrorBoxText').textContent = text;
    return showModal(dialog);
  }

  function showModal(dialog) {
    return new Promise((resolve) => {
      dialog.addEventListener('close', () => resolve(), {once: true});
      dialog.showModal();
    });
  }

  async function showMessages(messages) {
    for (const message of messages) await showMessage(message.kind, message.text);
  }

  function fieldTexts() {
    const texts = {};
    for (const name of FIELDS) texts[name] = $(name).value;
    return texts;
  }

  // A text set by the program is a change only when it differs.
  function setField(name, text) {
    const field = $(name);
    if (field.value === text) return;
    field.value = text;
    field.setSelectionRange(0, 0);
    if (EXPRESSIONS.includes(name)) expressionEdited();
  }

  function expressionEdited() {
    graphDrawn = false;
    edits += 1;
  }

  // "Draw !" and the view commands. A view command shows the view's blank
  // background at once and draws only after a completed drawing.
  async function runDraw(viewCommand) {
    const redraw = !viewCommand || graphDrawn;
    if (viewCommand) {
      showLetters();
      if (backgrounds) showPicture(view === 'isometric' ? backgrounds.coord3d : backgrounds.coord2d);
      showLabels('Zoom :', 'Length :');
      setPictureIsDrawing(false);
    }
    const args = {fields: fieldTexts(), view, graphDrawn, viewCommand};
    if (!redraw) {
      const done = await ask('draw', args).answer;
      showPicture(done.pixels);
      showLabels(done.zoom, done.length);
      return;
    }
    const editsBefore = edits;
    const {id, answer} = ask('draw', args, showProgress);
    drawing = {id, progressed: false};
    setState('drawing');
    $('CancelButton').disabled = false;
    $('Progress').removeAttribute('value');
    $('ProgressText').textContent = 'Drawing';
    $('ProgressBox').hidden = false;
    let done;
    try {
      done = await answer;
    } finally {
      endDrawing();
    }
    showPicture(done.pixels);
    showLabels(done.zoom, done.length);
    currentT = done.result.currentT;
    graphDrawn = done.result.drawn && edits === editsBefore;
    setPictureIsDrawing(true);
    await showMessages(done.result.messages);
  }

  // Progress reports come a few times a second; the page paints only the
  // latest one at its next frame, so a busy machine never queues paints.
  let reported = null;
  function showProgress(msg) {
    if (!drawing || msg.id !== drawing.id) return;
    drawing.progressed = true;
    drawing.pixels = msg.pixels;
    drawing.zoom = msg.zoom;
    drawing.length = msg.length;
    currentT = msg.tBits;
    if (!reported) requestAnimationFrame(paintProgress);
    reported = msg;
  }

  function paintProgress() {
    const msg = reported;
    reported = null;
    if (!msg || !drawing || msg.id !== drawing.id) return;
    showPicture(msg.pixels);
    showLabels(msg.zoom, msg.length);
    const total = Math.max(msg.total, 1);
    const done = Math.min(msg.done, total);
    $('Progress').max = total;
    $('Progress').value = done;
    $('ProgressText').textContent = `${done.toLocaleString('en-US')} of ${total.toLocaleString('en-US')} samples`;
  }

  function endDrawing() {
    drawing = null;
    reported = null;
    $('CancelButton').disabled = true;
    $('ProgressBox').hidden = true;
    draws += 1;
    document.body.dataset.draws = String(draws);
    setState(palette ? 'ready' : startFailed ? 'failed' : 'loading');
  }

  // Cancel: the worker is stopped where it is and a new one takes over the
  // fields, the view, the picture and labels of the last progress report
  // and CurrentT. GraphDrawn becomes false, as the drawing did not end.
  function cancelDrawing() {
    if (!drawing) return;
    const stopped = drawing;
    worker.terminate();
    const call = pending.get(stopped.id);
    pending.delete(stopped.id);
    if (stopped.progressed) {
      showPicture(stopped.pixels);
      showLabels(stopped.zoom, stopped.length);
    } else if (backgrounds) {
      // Nothing reported yet: the drawing had only put the background in place.
      showPicture(view === 'isometric' ? backgrounds.coord3d : backgrounds.coord2d);
    }
    graphDrawn = false;
    setPictureIsDrawing(false);
    startWorker().catch(() => {});
    ask('restore', {
      fields: fieldTexts(), view, pixels: shownPixels,
      zoom: $('ZoomLabel').textContent, length: $('LengthLabel').textContent, currentT,
    }).answer.catch((error) => showMessage('box', fullStop(error.message)));
    if (call) call.reject(new Cancelled('Cancelled'));
  }

  // ---- Files -------------------------------------------------------------

  function download(data, name, type) {
    const blob = data instanceof Blob ? data : new Blob([data], {type});
    const url = URL.createObjectURL(blob);
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    link.hidden = true;
    document.body.append(link);
    link.click();
    link.remove();
    // Revoked later: the download may still be reading the blob.
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  async function loadFile(file) {
    const bytes = await file.arrayBuffer();
    const done = await ask('load', {fields: fieldTexts(), bytes}).answer;
    // Lines before a faulty one stay applied, as in the program.
    for (const name of FIELDS) setField(name, done.fields[name]);
    baseName = file.name.replace(/\.fnc$/i, '') || 'helixor';
    if (done.error) await showMessage('box', done.error);
  }

  function canvasPng() {
    return new Promise((resolve, reject) =>
      canvas.toBlob((blob) => (blob ? resolve(blob) : reject(new Error('Cannot make the PNG picture'))), 'image/png'));
  }

  // ---- Help and About ----------------------------------------------------

  let helpLoaded = false;

  // The help page's body, without anything that could run.
  async function loadHelp() {
    const response = await fetch('help.html');
    if (!response.ok) throw new Error('Cannot open help.html');
    const text = new TextDecoder('windows-1252').decode(await response.arrayBuffer());
    const page = new DOMParser().parseFromString(text, 'text/html');
    for (const element of page.querySelectorAll('script, iframe, object, embed, link, meta, style, base, form'))
      element.remove();
    for (const element of page.body.querySelectorAll('*')) {
      for (const attribute of [...element.attributes])
        if (/^on/i.test(attribute.name) || /^\s*javascript:/i.test(attribute.value)) element.removeAttribute(attribute.name);
    }
    const target = $('HelpText');
    target.replaceChildren(...[...page.body.childNodes].map((node) => document.importNode(node, true)));
    const body = page.body;
    if (body.getAttribute('bgcolor')) target.style.background = body.getAttribute('bgcolor');
    if (body.getAttribute('text')) target.style.color = body.getAttribute('text');
    helpLoaded = true;
  }

  // ---- The controls ------------------------------------------------------

  // Placeholders of the five expression fields: entering a field whose text
  // starts with five blanks empties it; leaving it blank puts the
  // placeholder back. Any change of their texts clears GraphDrawn.
  let entered = null;
  for (const name of EXPRESSIONS) {
    const field = $(name);
    field.addEventListener('focus', () => {
      if (entered === field) return;
      entered = field;
      if (field.value.length >= 5 && field.value.startsWith('     ')) setField(name, '');
    });
    field.addEventListener('blur', () => {
      // The window keeps the field as its focus when only the window lost it.
      if (document.activeElement === field) return;
      if (entered === field) entered = null;
      if (trimControls(field.value) === '') setField(name, PLACEHOLDERS[name]);
    });
    field.addEventListener('input', expressionEdited);
  }
  $('zt').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && !event.isComposing) {
      event.preventDefault();
      $('DrawButton').click();
    }
  });

  // Leading and trailing characters of code 32 and below removed.
  function trimControls(text) {
    let first = 0;
    let last = text.length;
    while (first < last && text.charCodeAt(first) <= 32) ++first;
    while (last > first && text.charCodeAt(last - 1) <= 32) --last;
    return text.slice(first, last);
  }

  $('DrawButton').addEventListener('click', () => command(() => runDraw(false)));

  for (const [id, name] of Object.entries(VIEW_BUTTONS)) {
    $(id).addEventListener('click', () => {
      // The button goes down before its command runs.
      for (const other of Object.keys(VIEW_BUTTONS)) {
        $(other).classList.toggle('down', other === id);
        $(other).setAttribute('aria-checked', String(other === id));
      }
      command(() => {
        view = name;
        return runDraw(true);
      });
    });
  }

  $('SaveButton').addEventListener('click', () => command(async () => {
    const done = await ask('fnc', {fields: fieldTexts()}).answer;
    download(done.bytes, baseName + '.fnc', 'application/octet-stream');
  }));
  $('BmpButton').addEventListener('click', () => command(async () => {
    const done = await ask('bmp', {}).answer;
    download(done.bytes, baseName + '.bmp', 'image/bmp');
  }));
  $('PngButton').addEventListener('click', () => command(async () => {
    download(await canvasPng(), baseName + '.png', 'image/png');
  }));
  $('SvgButton').addEventListener('click', () => command(async () => {
    if (!pictureIsDrawing) return;
    const done = await ask('svg', {}).answer;
    if (done.text) download(done.text, baseName + '.svg', 'image/svg+xml');
  }));

  $('LoadButton').addEventListener('click', () => {
    const input = $('LoadInput');
    input.value = '';
    input.click();
  });
  $('LoadInput').addEventListener('change', () => {
    const file = $('LoadInput').files[0];
    if (file) command(() => loadFile(file));
  });

  // A .fnc file dropped anywhere on the page loads as with "Load FNC".
  const isFileDrag = (event) => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
  document.addEventListener('dragover', (event) => {
    if (!isFileDrag(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    document.body.classList.add('dropping');
  });
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) document.body.classList.remove('dropping');
  });
  document.addEventListener('drop', (event) => {
    document.body.classList.remove('dropping');
    if (!isFileDrag(event)) return;
    event.preventDefault();
    const file = [...event.dataTransfer.files].find((f) => /\.fnc$/i.test(f.name));
    if (file) command(() => loadFile(file));
  });

  $('ShowButton').addEventListener('click', () => {
    const graph = $('GraphForm');
    graph.hidden = !graph.hidden;
    $('ShowButton').classList.toggle('down', !graph.hidden);
    $('ShowButton').setAttribute('aria-pressed', String(!graph.hidden));
  });

  $('HelpButton').addEventListener('click', () => command(async () => {
    if (!helpLoaded) await loadHelp();
    $('HelpText').scrollTop = 0;
    await showModal($('HelpDialog'));
  }));
  // The About panel stands centred over the graph window, or over the main
  // window while the graph is hidden, kept within the screen.
  function placeAbout() {
    const dialog = $('AboutDialog');
    const graph = $('GraphForm');
    const reference = (graph.hidden ? $('MainForm') : graph).getBoundingClientRect();
    const width = dialog.offsetWidth;
    const height = dialog.offsetHeight;
    const left = Math.trunc(reference.left + (reference.width - width) / 2);
    const top = Math.trunc(reference.top + (reference.height - height) / 2);
    dialog.style.left = `${Math.max(0, Math.min(left, innerWidth - width))}px`;
    dialog.style.top = `${Math.max(0, Math.min(top, innerHeight - height))}px`;
  }
  $('AboutButton').addEventListener('click', () => command(() => {
    const shown = showModal($('AboutDialog'));
    placeAbout();
    return shown;
  }));

  $('CancelButton').addEventListener('click', cancelDrawing);

  // ---- Start -------------------------------------------------------------

  // Fields keep the desktop's start texts even where a browser restores
  // form contents on reload.
  for (const name of FIELDS) $(name).value = $(name).defaultValue;
  setPictureIsDrawing(false);
  $('AboutButton').focus();

  // The colours, the blank backgrounds and the start picture, from the
  // module; a drawing asked for while it loaded keeps its state.
  function setUp(ready) {
    palette = new Uint32Array(256);
    for (let i = 0; i < 256; ++i) {
      const [r, g, b] = ready.palette.subarray(3 * i, 3 * i + 3);
      palette[i] = (0xff000000 | (b << 16) | (g << 8) | r) >>> 0;
    }
    backgrounds = ready.backgrounds;
    currentT = ready.currentT;
    showPicture(ready.pixels);
    showLabels(ready.zoom, ready.length);
    if (!drawing) setState('ready');
  }

  startWorker().catch((error) => {
    startFailed = true;
    setState('failed');
    showMessage('box', fullStop('Helixor cannot start here: ' + (error.message || error)));
  });

  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('sw.js').catch(() => {
      // Without it the page still works, only not offline.
    });
  }
})();

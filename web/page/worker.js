// Helixor's state and commands, off the page's thread: one session of the
// module for the worker's life. A drawing runs synchronously here, so the
// page stays responsive; messages that arrive meanwhile wait for its end and
// are answered in order.
'use strict';

importScripts('helixor-web.js');

const FIELDS = ['AEdit', 'BEdit', 'xt', 'yt', 'zt', 'Precission'];

let M = null;
let session = null;
// The blank 2-D and 3-D axis pictures that a view command shows.
const backgrounds = {};

function backgroundOf(view) {
  return view === 'isometric' ? backgrounds.coord3d : backgrounds.coord2d;
}

// The axis backgrounds, from a scratch session: the Draw command puts the
// view's background in place before it reads the sample count, so a count
// that is no integer leaves just the background.
function makeBackgrounds() {
  const scratch = new M.Session();
  try {
    for (const [name, view] of [['coord3d', 'isometric'], ['coord2d', 'front']]) {
      scratch.setView(view);
      scratch.setField('Precission', 'none');
      scratch.draw(undefined);
      backgrounds[name] = scratch.pixels().slice();
    }
  } finally {
    scratch.delete();
  }
}

function setFields(fields) {
  if (!fields) return;
  for (const name of FIELDS) if (typeof fields[name] === 'string') session.setField(name, fields[name]);
}

function fieldsOf() {
  const fields = {};
  for (const name of FIELDS) fields[name] = session.field(name);
  return fields;
}

function picture() {
  return session.pixels().slice();
}

function answer(id, body, transfer) {
  postMessage(Object.assign({type: 'done', id}, body), transfer || []);
}

// "Draw !", or a view command: a view command first puts the view's blank
// background and bare labels in place, and draws only after a completed
// drawing (GraphDrawn).
function draw(id, msg) {
  setFields(msg.fields);
  if (!session.setView(msg.view)) throw new Error('Unknown view: ' + msg.view);
  session.setGraphDrawn(!!msg.graphDrawn);
  if (msg.viewCommand) {
    session.setPixels(backgroundOf(msg.view));
    session.setLabels('Zoom :', 'Length :');
    if (!msg.graphDrawn) {
      const pixels = picture();
      answer(id, {drew: false, pixels, zoom: session.zoomLabel(), length: session.lengthLabel()}, [pixels.buffer]);
      return;
    }
  }
  const progress = (done, total, tBits) => {
    const pixels = picture();
    postMessage({type: 'progress', id, done, total, tBits, pixels,
                 zoom: session.zoomLabel(), length: session.lengthLabel()}, [pixels.buffer]);
  };
  const started = performance.now();
  const result = session.draw(progress);
  const time = performance.now() - started;
  const pixels = picture();
  answer(id, {drew: true, result, time, pixels, zoom: session.zoomLabel(), length: session.lengthLabel()},
         [pixels.buffer]);
}

const commands = {
  draw,
  // A new worker after a cancelled drawing: the state the page kept.
  restore(id, msg) {
    setFields(msg.fields);
    session.setView(msg.view);
    if (msg.pixels) session.setPixels(msg.pixels);
    session.setLabels(msg.zoom, msg.length);
    if (msg.currentT) session.setCurrentT(msg.currentT);
    session.setGraphDrawn(false);
    answer(id, {});
  },
  bmp(id) {
    const bytes = session.bmp();
    answer(id, {bytes}, [bytes.buffer]);
  },
  svg(id) {
    answer(id, {text: session.svg()});
  },
  fnc(id, msg) {
    setFields(msg.fields);
    const bytes = session.functionFile();
    answer(id, {bytes}, [bytes.buffer]);
  },
  load(id, msg) {
    setFields(msg.fields);
    const error = session.loadFunctionFile(new Uint8Array(msg.bytes));
    answer(id, {error, fields: fieldsOf()});
  },
  evaluate(id, msg) {
    answer(id, {line: M.Session.evaluate(msg.text, msg.t)});
  },
};

const ready = HelixorModule({locateFile: (file) => file}).then((module) => {
  M = module;
  session = new M.Session();
  makeBackgrounds();
  const palette = M.Session.palette();
  const pixels = picture();
  postMessage({type: 'ready', palette, pixels, backgrounds,
               zoom: session.zoomLabel(), length: session.lengthLabel(), currentT: session.currentT()});
});

let queue = ready.catch((error) => {
  postMessage({type: 'failed', text: String(error && error.message || error)});
  throw error;
});

onmessage = (event) => {
  const msg = event.data;
  queue = queue.then(() => {
    try {
      const command = commands[msg.op];
      if (!command) throw new Error('Unknown command: ' + msg.op);
      command(msg.id, msg);
    } catch (error) {
      postMessage({type: 'error', id: msg.id, text: String(error && error.message || error)});
    }
  });
};

// Draws in a worker of the browser with the page's module and answers with
// the time the drawing took inside the worker.
importScripts('helixor-web.js');
const ready = HelixorModule();
onmessage = async (event) => {
  const M = await ready;
  const session = new M.Session();
  for (const [name, text] of Object.entries(event.data.fields)) session.setField(name, text);
  const start = performance.now();
  const result = session.draw(undefined);
  const ms = performance.now() - start;
  postMessage({ms, zoom: result.zoom, length: result.length, completed: result.completed});
  session.delete();
};

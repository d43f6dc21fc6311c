// node node-draw.js SITE_DIR NAME=TEXT...: draws once with the page's module
// under Node and prints the CPU and wall time of the drawing alone, in ms,
// and the zoom and length texts.
const fs = require('fs');
const path = require('path');
const site = process.argv[2];
const HelixorModule = require(path.resolve(site, 'helixor-web.js'));
HelixorModule({wasmBinary: fs.readFileSync(path.join(site, 'helixor-web.wasm'))}).then((M) => {
  const session = new M.Session();
  for (const setting of process.argv.slice(3)) {
    const equals = setting.indexOf('=');
    session.setField(setting.slice(0, equals), setting.slice(equals + 1));
  }
  const cpu = process.cpuUsage();
  const start = performance.now();
  const result = session.draw(undefined);
  const wall = performance.now() - start;
  const used = process.cpuUsage(cpu);
  console.log(JSON.stringify({cpu: (used.user + used.system) / 1000, wall, zoom: result.zoom,
                              length: result.length, completed: result.completed}));
});

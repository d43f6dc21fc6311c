// Keeps every file of the page so that Helixor works offline after the
// first visit: all of them are cached on install and served from the cache
// first. A new version of the page comes with a new cache name, and the old
// cache is removed once the new one is in use.
'use strict';

const VERSION = 'helixor-1.0-page-1';

const FILES = [
  './',
  'index.html',
  'helixor.css',
  'helixor.js',
  'worker.js',
  'helixor-web.js',
  'helixor-web.wasm',
  'help.html',
  'logo.png',
  'helixor.svg',
  'helixor-128.png',
  'helixor-256.png',
  'manifest.webmanifest',
  'tahoma.ttf',
  'tahomabd.ttf',
];
// The examples are welcome but not needed for the page to work.
const EXAMPLES = ['helix', 'lissajous', 'spherical-spiral', 'toroidal-spiral', 'trefoil', 'viviani']
  .map((name) => `examples/${name}.fnc`);

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(VERSION);
    await cache.addAll(FILES.map((file) => new Request(file, {cache: 'reload'})));
    await Promise.allSettled(EXAMPLES.map((file) => cache.add(new Request(file, {cache: 'reload'}))));
    // The first version takes over at once. A later one waits until no page
    // of the old one is open, so that no page mixes the two versions' files
    // (a Cancel starts worker.js anew, Help fetches help.html).
    if (!self.registration.active) await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) if (name !== VERSION) await caches.delete(name);
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(VERSION);
    const cached = await cache.match(request, {ignoreSearch: true});
    if (cached) return cached;
    const response = await fetch(request);
    if (response.ok && response.type === 'basic') cache.put(request, response.clone());
    return response;
  })());
});

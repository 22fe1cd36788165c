// Keeps one build's files for the next visit, so the game also starts with
// no network. tools/build_web.sh writes in the files with their SHA-256 and
// names the cache by them: another build is another worker with a cache of
// its own, filled whole or not at all, and it deletes the others once it
// takes over.
'use strict';
const kCache = 'tabletumble-@BUILD@';
const kFiles = @FILES@;

// Revalidated with the server, so bytes the page has just fetched come from
// the HTTP cache; the checksums keep out any file of another build.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => Promise.all(Object.entries(kFiles).map(
    ([file, integrity]) => fetch(file, { cache: 'no-cache', integrity }).then((response) => {
      if (!response.ok) throw new Error(`${file}: ${response.status}`);
      return cache.put(file, response);
    })))).catch((error) => caches.delete(kCache).then(() => {
    throw error;
  })));
});

// The page says when: once it has all its own files.
self.addEventListener('message', (event) => {
  if (event.data === 'take over') self.skipWaiting();
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith('tabletumble-') && name !== kCache)
    .map((name) => caches.delete(name)))));
});

// The kept files first; anything else, or a file the browser has dropped,
// from the network.
self.addEventListener('fetch', (event) => {
  const request = event.request, url = new URL(request.url);
  const scope = new URL(self.registration.scope);
  if (request.method !== 'GET' || url.origin !== scope.origin ||
      !url.pathname.startsWith(scope.pathname)) {
    return;
  }
  let file = url.pathname.slice(scope.pathname.length);
  if (file === '' && request.mode === 'navigate') file = 'index.html';
  if (!Object.hasOwn(kFiles, file)) return;
  event.respondWith(caches.open(kCache).then((cache) => cache.match(file))
    .then((kept) => kept || fetch(request)));
});

// Keeps every file of the page, so that it opens and converts offline. The
// cache's name changes with the files (scripts/web.sh puts their digest in
// place of the word below), and a new one replaces the old. Both builds of
// the engine are kept, whichever the browser runs: together they stay well
// within the first visit's 400 KB (docs/benchmarks.md measures them).
const CacheName = 'velmora-SITE_DIGEST';
const Files = ['./', 'index.html', 'style.css', 'manifest.webmanifest', 'icon.svg', 'src/page.js',
    'src/strings.js', 'src/choices.js', 'src/history.js', 'src/view.js', 'src/worker.js', 'src/engine.js',
    'src/velmora.js', 'src/velmora.wasm', 'src/velmora-plain.js', 'src/velmora-plain.wasm'];

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(CacheName).then((cache) => cache.addAll(Files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((names) => Promise.all(names.filter((n) => n !== CacheName).map((n) => caches.delete(n))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith(caches.match(event.request, { ignoreSearch: true })
        .then((cached) => cached || fetch(event.request)));
});

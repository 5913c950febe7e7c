// Keeps the page's own files, so that it opens and works with no network: each
// is fetched from the network when there is one (a new version is taken at
// once) and kept; without a network the copy kept is served. The cache is named
// for the page's version (scripts/web writes it in): a new version fills a cache
// of its own and drops the earlier ones when it takes over.
const cacheName = "starquill-development";
const files = ["./", "index.html", "page.js", "page.css", "worker.js", "starquill-core.js", "starquill-core.wasm",
  "B02.tga", "B03.tga", "THIRD-PARTY.txt", "manifest.webmanifest", "icon.svg", "starquill-192.png", "starquill-512.png"];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});
self.addEventListener("activate", (event) => {
  const dropEarlier = caches.keys().then((names) =>
    Promise.all(names.filter((name) => name.startsWith("starquill") && name !== cacheName).map((name) => caches.delete(name))));
  event.waitUntil(dropEarlier.then(() => self.clients.claim()));
});
self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(
    fetch(request)
      .then((response) => {
        if (response.ok) {
          const copy = response.clone();
          event.waitUntil(caches.open(cacheName).then((cache) => cache.put(request, copy)));
        }
        return response;
      })
      .catch(async () => (await caches.match(request, { ignoreSearch: true })) ?? Response.error()),
  );
});

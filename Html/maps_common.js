// The map both map pages share: an OpenStreetMap layer and the global map object that the
// page functions of the POI and track pages work on. The page tells the program once it has
// loaded, so that the program can draw on it.
var map;
(function () {
  map = L.map('map', {worldCopyJump: true}).setView([0, 0], 2);
  L.tileLayer('https://tile.openstreetmap.org/{z}/{x}/{y}.png', {
    maxZoom: 19,
    attribution: '&copy; OpenStreetMap contributors'
  }).addTo(map);
  window.addEventListener('load', function () {
    if (window.external && window.external.onmaploadcomplete) {
      window.external.onmaploadcomplete();
    }
  });
})();

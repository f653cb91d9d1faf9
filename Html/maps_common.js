// The map both map pages share: an OpenStreetMap layer and the global map object that the
// page functions of the POI and track pages work on. The tile address can be replaced by the
// program (a test's local service) through the query "?tiles=" of the page address.
var map;
(function () {
  var tiles = 'https://tile.openstreetmap.org/{z}/{x}/{y}.png';
  var match = /[?&]tiles=([^&]+)/.exec(location.search);
  if (match) {
    tiles = decodeURIComponent(match[1]);
  }
  map = L.map('map', {worldCopyJump: true}).setView([0, 0], 2);
  L.tileLayer(tiles, {
    maxZoom: 19,
    attribution: '&copy; OpenStreetMap contributors'
  }).addTo(map);
  window.addEventListener('load', function () {
    if (window.external && window.external.onmaploadcomplete) {
      window.external.onmaploadcomplete();
    }
  });
})();

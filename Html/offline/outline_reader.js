// Reads the world outline (countries-110m.json, TopoJSON) into the lines the map draws: the
// rings of the land and the borders between two countries, as lists of [lng, lat].
//
// TopoJSON keeps every border once, as an "arc": a list of points whose first is an integer
// grid position and whose others are steps from the point before; the grid's scale and origin
// turn them into degrees. Shapes name their arcs by index, ~index for an arc run backwards.
var vandrelOutline = (function () {
  'use strict';

  function decodeArcs(topology) {
    var scale = topology.transform ? topology.transform.scale : [1, 1];
    var origin = topology.transform ? topology.transform.translate : [0, 0];
    var quantized = !!topology.transform;
    return topology.arcs.map(function (arc) {
      var x = 0;
      var y = 0;
      return arc.map(function (p) {
        if (!quantized) {
          return [p[0], p[1]];
        }
        x += p[0];
        y += p[1];
        return [x * scale[0] + origin[0], y * scale[1] + origin[1]];
      });
    });
  }

  function arcPoints(arcs, index) {
    return index < 0 ? arcs[~index].slice().reverse() : arcs[index];
  }

  // One closed ring of arcs: each arc starts where the one before ended, so that point is
  // taken once.
  function ring(arcs, indexes) {
    var points = [];
    indexes.forEach(function (index, n) {
      var part = arcPoints(arcs, index);
      points = points.concat(n === 0 ? part : part.slice(1));
    });
    return points;
  }

  // Every polygon of a shape (Polygon, MultiPolygon or a collection of them), as lists of arc
  // index lists, one list a ring.
  function polygons(shape) {
    if (shape.type === 'GeometryCollection') {
      return shape.geometries.reduce(function (all, g) { return all.concat(polygons(g)); }, []);
    }
    if (shape.type === 'Polygon') {
      return [shape.arcs];
    }
    if (shape.type === 'MultiPolygon') {
      return shape.arcs;
    }
    return [];
  }

  function landRings(topology, shape) {
    var arcs = decodeArcs(topology);
    var rings = [];
    polygons(shape).forEach(function (polygon) {
      polygon.forEach(function (indexes) { rings.push(ring(arcs, indexes)); });
    });
    return rings;
  }

  // The arcs two different shapes of the collection share: the borders between countries.
  // An arc of one shape alone is coast.
  function sharedBorders(topology, collection) {
    var arcs = decodeArcs(topology);
    var owner = {};
    var shared = {};
    collection.geometries.forEach(function (shape, id) {
      polygons(shape).forEach(function (polygon) {
        polygon.forEach(function (indexes) {
          indexes.forEach(function (index) {
            var arc = index < 0 ? ~index : index;
            if (owner[arc] === undefined) {
              owner[arc] = id;
            } else if (owner[arc] !== id) {
              shared[arc] = true;
            }
          });
        });
      });
    });
    return Object.keys(shared).map(function (arc) { return arcs[Number(arc)]; });
  }

  return {landRings: landRings, sharedBorders: sharedBorders};
})();

// The shared, zoomable psi axis of the pages drawn with uPlot (the run's and
// the fit's): every plot added shows the same psi range, zoomed about a
// point by the mouse wheel, panned by shift-drag, the whole range by a
// double-click, and the toolbar's buttons and keys. `pointer.enter(u)` and
// `pointer.leave(u)` are told when the pointer enters or leaves a plot.
function kavroPsiAxis(whole, pointer) {
  "use strict";

  const plots = [];
  let syncing = false;
  function showRange(min, max) {
    const span = Math.max(max - min, 1e-6);
    if (span >= whole.max - whole.min) {
      min = whole.min;
      max = whole.max;
    } else if (min < whole.min) {
      min = whole.min;
      max = min + span;
    } else if (max > whole.max) {
      max = whole.max;
      min = max - span;
    }
    syncing = true;
    for (const u of plots) u.setScale("x", { min, max });
    syncing = false;
  }
  // A setScale hook: a zoom in one plot moves the others.
  function followZoom(u, key) {
    if (key !== "x" || syncing) return;
    showRange(u.scales.x.min, u.scales.x.max);
  }
  function currentRange() {
    const x = plots[0].scales.x;
    return { min: x.min, max: x.max };
  }
  function zoomAbout(center, factor) {
    const r = currentRange();
    showRange(center - (center - r.min) * factor, center + (r.max - center) * factor);
  }
  function pan(fraction) {
    const r = currentRange();
    const shift = (r.max - r.min) * fraction;
    showRange(r.min + shift, r.max + shift);
  }
  function overWidth(u) {
    return u.over.getBoundingClientRect().width || 1;
  }

  function add(u) {
    u.over.addEventListener("wheel", (e) => {
      e.preventDefault();
      zoomAbout(u.posToVal(e.offsetX, "x"), e.deltaY < 0 ? 0.8 : 1.25);
    }, { passive: false });
    u.over.addEventListener("dblclick", () => showRange(whole.min, whole.max));
    u.over.addEventListener("mouseenter", () => pointer.enter(u));
    u.over.addEventListener("mouseleave", () => pointer.leave(u));
    // Shift and drag pans; the capture on the root keeps uPlot from starting a zoom box.
    u.root.addEventListener("mousedown", (e) => {
      if (!e.shiftKey || e.button !== 0) return;
      e.stopPropagation();
      e.preventDefault();
      const start = currentRange();
      const x0 = e.clientX;
      const perPixel = (start.max - start.min) / overWidth(u);
      const move = (m) => {
        const shift = (x0 - m.clientX) * perPixel;
        showRange(start.min + shift, start.max + shift);
      };
      const up = () => {
        window.removeEventListener("mousemove", move);
        window.removeEventListener("mouseup", up);
      };
      window.addEventListener("mousemove", move);
      window.addEventListener("mouseup", up);
    }, true);
    plots.push(u);
  }

  function bindToolbar() {
    const centre = () => { const r = currentRange(); return (r.min + r.max) / 2; };
    document.getElementById("pan-left").addEventListener("click", () => pan(-0.25));
    document.getElementById("pan-right").addEventListener("click", () => pan(0.25));
    document.getElementById("zoom-in").addEventListener("click", () => zoomAbout(centre(), 0.5));
    document.getElementById("zoom-out").addEventListener("click", () => zoomAbout(centre(), 2));
    document.getElementById("zoom-reset").addEventListener("click", () => showRange(whole.min, whole.max));
    document.addEventListener("keydown", (e) => {
      if (e.key === "ArrowLeft") pan(-0.1);
      else if (e.key === "ArrowRight") pan(0.1);
      else if (e.key === "+" || e.key === "=") zoomAbout(centre(), 0.8);
      else if (e.key === "-") zoomAbout(centre(), 1.25);
      else return;
      e.preventDefault();
    });
  }

  return { plots, add, showRange, followZoom, overWidth, bindToolbar };
}

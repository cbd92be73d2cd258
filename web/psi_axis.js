// What the pages share: an element made with its attributes and text (the
// tables and labels of every page), and the zoomable psi axis of the pages
// drawn with uPlot (the run's and the fit's).
function kavroElement(tag, attributes, text) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes || {})) e.setAttribute(k, v);
  if (text != null) e.textContent = text;
  return e;
}

// Every plot added shows the same psi range, zoomed about a point by the
// mouse wheel, panned by shift-drag, the whole range by a double-click, and
// the toolbar's buttons and keys. `pointer.enter(u)` and `pointer.leave(u)`
// are told when the pointer enters or leaves a plot, `pointer.move(u)` when
// it moves over one. The plots fill the width of the section #plots.
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

  function plotWidth() {
    return Math.max(400, document.getElementById("plots").clientWidth);
  }
  // The options of a plot on the axis: psi across, the cursors of all plots in step.
  function plotOptions(title, height, yLabel) {
    return {
      title,
      width: plotWidth(),
      height,
      scales: { x: { time: false, range: (u, min, max) => [min, max] } },
      axes: [{ label: "psi (deg)" }, { label: yLabel, size: 70 }],
      cursor: { sync: { key: "kavro-psi" }, bind: { dblclick: () => null } },
      hooks: { setScale: [followZoom], setCursor: [pointer.move] },
    };
  }
  // Shows the tooltip beside the cursor of plot u, inside the section #plots.
  function placeTooltip(u, tooltip) {
    tooltip.hidden = false;
    const host = document.getElementById("plots").getBoundingClientRect();
    const over = u.over.getBoundingClientRect();
    let x = over.left - host.left + u.cursor.left + 14;
    if (x + tooltip.offsetWidth > host.width) x = Math.max(0, x - tooltip.offsetWidth - 28);
    tooltip.style.left = x + "px";
    tooltip.style.top = (over.top - host.top + (u.cursor.top || 0) + 14) + "px";
  }
  function resize() {
    for (const u of plots) u.setSize({ width: plotWidth(), height: u.height });
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
  function addPlot(options, values, id) {
    add(new uPlot(options, values, document.getElementById(id)));
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

  return { plots, addPlot, plotOptions, placeTooltip, resize, showRange, overWidth, bindToolbar };
}

// The interactive psi-energy map of kavro-99: every event's two crossings
// psi(E) on a canvas, psi across and energy up, coloured by the event
// strength on a logarithmic scale from the threshold to the strongest, the
// safe windows shaded; zoom, pan and the reflection of the curve under the
// pointer; under the map the simulated scan at the energy last clicked.
(function () {
  "use strict";

  const data = JSON.parse(document.getElementById("kavro-data").textContent);
  const canvas = document.getElementById("map");
  const context = canvas.getContext("2d");
  const tooltip = document.getElementById("tooltip");
  const margin = { left: 64, right: 104, top: 14, bottom: 46 };
  const flat = !(data.energy_to > data.energy_from);  // a map at one energy
  const whole = {
    psiMin: data.psi_from, psiMax: data.psi_to,
    eMin: flat ? data.energy_from - 0.5 : data.energy_from, eMax: flat ? data.energy_to + 0.5 : data.energy_to,
  };
  let view = Object.assign({}, whole);
  const strongest = data.curves.length ? data.curves[0].peak : data.threshold;
  const drawnAtMost = 1500;  // curves drawn at first; the selector shows the others
  let weakest = data.threshold;

  // ---- Numbers and text.
  function fixed(value, digits) {
    return value == null ? "" : Number(value).toFixed(digits);
  }
  function sig(value) {
    const v = Number(value);
    return v === 0 ? "0" : Math.abs(v) >= 1e-3 && Math.abs(v) < 1e6 ? String(+v.toPrecision(4)) : v.toExponential(3);
  }
  const element = kavroElement;
  function hkl(h) {
    return h ? h.join(" ") : "";
  }

  // ---- Colours: a perceptual ramp from light (at the threshold) to dark (the strongest).
  const ramp = [[253, 231, 37], [94, 201, 98], [33, 145, 140], [59, 82, 139], [68, 1, 84]];
  function share(strength) {
    if (!(strongest > data.threshold)) return 1;
    const s = Math.log(strength / data.threshold) / Math.log(strongest / data.threshold);
    return Math.min(1, Math.max(0, s));
  }
  function colour(strength) {
    const t = share(strength) * (ramp.length - 1);
    const i = Math.min(ramp.length - 2, Math.floor(t));
    const f = t - i;
    const c = ramp[i].map((v, k) => Math.round(v + f * (ramp[i + 1][k] - v)));
    return "rgb(" + c.join(",") + ")";
  }

  // ---- Geometry.
  let width = 0, height = 0;
  function plotBox() {
    return { x0: margin.left, x1: width - margin.right, y0: margin.top, y1: height - margin.bottom };
  }
  function xOf(psi) {
    const b = plotBox();
    return b.x0 + (psi - view.psiMin) / (view.psiMax - view.psiMin) * (b.x1 - b.x0);
  }
  function yOf(energy) {
    const b = plotBox();
    const e = flat ? data.energy_from : energy;
    return b.y1 - (e - view.eMin) / (view.eMax - view.eMin) * (b.y1 - b.y0);
  }
  function psiOf(x) {
    const b = plotBox();
    return view.psiMin + (x - b.x0) / (b.x1 - b.x0) * (view.psiMax - view.psiMin);
  }
  function energyOf(y) {
    const b = plotBox();
    return view.eMin + (b.y1 - y) / (b.y1 - b.y0) * (view.eMax - view.eMin);
  }
  // psi in the turn that starts at the map's first azimuth.
  function inTurn(psi) {
    return data.psi_from + ((((psi - data.psi_from) % 360) + 360) % 360);
  }

  // The polylines of one crossing, folded into the turn and split where they wrap.
  function branches(curve, key) {
    const runs = [];
    let run = [];
    let last = null;
    curve[key].forEach((raw, i) => {
      const psi = inTurn(raw);
      if (last !== null && Math.abs(psi - last) > 180) {
        runs.push(run);
        run = [];
      }
      run.push([psi, curve.energy[i], curve.strength[i]]);
      last = psi;
    });
    runs.push(run);
    return runs;
  }
  const curves = data.curves.map((c) => ({ data: c, runs: [branches(c, "psi_1"), branches(c, "psi_2")] }));
  function visible() {
    return curves.filter((c) => c.data.peak >= weakest);
  }

  // ---- Drawing.
  function niceStep(span, count) {
    const raw = span / count;
    const power = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const m of [1, 2, 2.5, 5, 10]) if (m * power >= raw) return m * power;
    return 10 * power;
  }
  function ticks(min, max, count) {
    const step = niceStep(max - min, count);
    const out = [];
    for (let v = Math.ceil(min / step - 1e-9) * step; v <= max + step * 1e-9; v += step) out.push(+v.toFixed(10));
    let digits = Math.max(0, Math.ceil(-Math.log10(step) - 1e-9));
    if (Math.abs(step * Math.pow(10, digits) - Math.round(step * Math.pow(10, digits))) > 1e-6) ++digits;  // 0.25
    return { values: out, digits };
  }

  function drawWindows(b) {
    context.fillStyle = "rgba(46, 160, 67, 0.16)";
    for (const w of data.windows) {
      const parts = w.to > data.psi_from + 360 ? [[w.from, data.psi_from + 360], [data.psi_from, w.to - 360]]
                                                 : [[w.from, w.to]];
      for (const [from, to] of parts) {
        const x0 = Math.max(b.x0, xOf(from)), x1 = Math.min(b.x1, xOf(to));
        if (x1 > x0) context.fillRect(x0, b.y0, x1 - x0, b.y1 - b.y0);
      }
    }
  }

  function drawCurves(b, shown) {
    context.save();
    context.beginPath();
    context.rect(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    context.clip();
    context.lineWidth = 1.4;
    for (let n = shown.length - 1; n >= 0; --n) {  // the strongest on top
      const c = shown[n];
      context.strokeStyle = colour(c.data.peak);
      context.fillStyle = context.strokeStyle;
      for (const crossing of c.runs)
        for (const run of crossing) {
          if (run.length === 1) {
            context.fillRect(xOf(run[0][0]) - 1.5, yOf(run[0][1]) - 4, 3, 8);
            continue;
          }
          context.beginPath();
          run.forEach((p, i) => (i ? context.lineTo(xOf(p[0]), yOf(p[1])) : context.moveTo(xOf(p[0]), yOf(p[1]))));
          context.stroke();
        }
    }
    context.restore();
  }

  function drawAxes(b) {
    context.strokeStyle = "#333";
    context.lineWidth = 1;
    context.strokeRect(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    context.fillStyle = "#222";
    context.font = "13px system-ui, sans-serif";
    context.textAlign = "center";
    context.textBaseline = "top";
    const px = ticks(view.psiMin, view.psiMax, Math.max(3, Math.floor((b.x1 - b.x0) / 80)));
    for (const v of px.values) {
      const x = xOf(v);
      context.beginPath();
      context.moveTo(x, b.y1);
      context.lineTo(x, b.y1 + 5);
      context.stroke();
      context.fillText(v.toFixed(px.digits), x, b.y1 + 7);
    }
    context.fillText("psi (degrees)", (b.x0 + b.x1) / 2, b.y1 + 26);
    context.textAlign = "right";
    context.textBaseline = "middle";
    if (flat) {
      context.fillText(fixed(data.energy_from, 3), b.x0 - 7, yOf(data.energy_from));
    } else {
      const ey = ticks(view.eMin, view.eMax, Math.max(3, Math.floor((b.y1 - b.y0) / 60)));
      for (const v of ey.values) {
        const y = yOf(v);
        context.beginPath();
        context.moveTo(b.x0 - 5, y);
        context.lineTo(b.x0, y);
        context.stroke();
        context.fillText(v.toFixed(ey.digits), b.x0 - 7, y);
      }
    }
    context.save();
    context.translate(16, (b.y0 + b.y1) / 2);
    context.rotate(-Math.PI / 2);
    context.textAlign = "center";
    context.fillText("photon energy E (keV)", 0, 0);
    context.restore();
  }

  // The colour key right of the frame: strength from the threshold to the strongest.
  function drawKey(b) {
    const x = b.x1 + 16, w = 14, top = b.y0 + 18, bottom = b.y1 - 4;
    for (let y = top; y < bottom; ++y) {
      const t = (bottom - y) / (bottom - top);
      context.fillStyle = colour(data.threshold * Math.pow(strongest / data.threshold, t));
      context.fillRect(x, y, w, 1.5);
    }
    context.strokeStyle = "#333";
    context.strokeRect(x, top, w, bottom - top);
    context.fillStyle = "#222";
    context.font = "12px system-ui, sans-serif";
    context.textAlign = "left";
    context.textBaseline = "middle";
    const marks = [data.threshold];
    for (let v = Math.pow(10, Math.ceil(Math.log10(data.threshold * 1.0001))); v < strongest; v *= 10) marks.push(v);
    if (strongest > data.threshold) marks.push(strongest);
    let lastY = Infinity;
    for (const v of marks) {
      const y = bottom - share(v) * (bottom - top);
      if (Math.abs(lastY - y) < 13 && v !== strongest) continue;
      context.fillText(sig(v), x + w + 4, y);
      lastY = y;
    }
    context.textAlign = "left";
    context.textBaseline = "bottom";
    context.fillText("strength (cps)", b.x1 + 8, b.y0 + 12);
  }


  // ---- The simulated scan at a level: the sum of the events' profiles, the
  // scan less the primary's own level, in bins holding their lowest and
  // highest value; drawn on the map's psi axis.
  const scans = data.scans;
  const scanCanvas = document.getElementById("scan");
  const scanContext = scanCanvas.getContext("2d");
  let chosen = null;  // index of the level drawn
  function nearestLevel(energy) {
    let best = 0;
    scans.energies.forEach((e, i) => { if (Math.abs(e - energy) < Math.abs(scans.energies[best] - energy)) best = i; });
    return best;
  }
  function chooseEnergyAt(x, y) {
    const b = plotBox();
    if (x < b.x0 || x > b.x1 || y < b.y0 || y > b.y1 || scans.energies.length === 0) return;
    chosen = nearestLevel(flat ? data.energy_from : energyOf(y));
    document.getElementById("scan-box").hidden = false;
    document.getElementById("scan-note").textContent = "Simulated scan at E = " + fixed(scans.energies[chosen], 4) +
      " keV (the nearest of the " + scans.energies.length + " levels the page holds), less the primary's own " +
      "level; the dashed lines are the threshold either way.";
    draw();
    document.body.setAttribute("data-scan-energy", fixed(scans.energies[chosen], 4));
  }
  function drawChosenEnergy(b) {
    if (chosen === null || flat) return;
    const y = yOf(scans.energies[chosen]);
    if (y < b.y0 || y > b.y1) return;
    context.strokeStyle = "#c0392b";
    context.setLineDash([6, 4]);
    context.beginPath();
    context.moveTo(b.x0, y);
    context.lineTo(b.x1, y);
    context.stroke();
    context.setLineDash([]);
  }
  // The bins within the map's psi view, with the psi of each bin's middle.
  function visibleBins() {
    const bins = [];
    const low = scans.lowest[chosen], high = scans.highest[chosen];
    for (let i = 0; i < low.length; ++i) {
      const psi = scans.psi_from + (i + 0.5) * scans.bin_width;
      if (psi >= view.psiMin - scans.bin_width && psi <= view.psiMax + scans.bin_width)
        bins.push({ psi, low: low[i], high: high[i] });
    }
    return bins;
  }
  function drawScan() {
    if (chosen === null) return;
    const ratio = window.devicePixelRatio || 1;
    const box = scanCanvas.getBoundingClientRect();
    const h = box.height || 240;
    scanCanvas.width = Math.round(width * ratio);
    scanCanvas.height = Math.round(h * ratio);
    const c = scanContext;
    c.setTransform(ratio, 0, 0, ratio, 0, 0);
    c.clearRect(0, 0, width, h);
    const b = { x0: margin.left, x1: width - margin.right, y0: 10, y1: h - 40 };
    const bins = visibleBins();
    let lo = -data.threshold, hi = data.threshold;
    for (const bin of bins) { lo = Math.min(lo, bin.low); hi = Math.max(hi, bin.high); }
    const pad = 0.05 * (hi - lo);
    lo -= pad;
    hi += pad;
    const yAt = (v) => b.y1 - (v - lo) / (hi - lo) * (b.y1 - b.y0);
    c.fillStyle = "rgba(46, 160, 67, 0.16)";
    for (const w of data.windows) {
      const parts = w.to > data.psi_from + 360 ? [[w.from, data.psi_from + 360], [data.psi_from, w.to - 360]]
                                                 : [[w.from, w.to]];
      for (const [from, to] of parts) {
        const x0 = Math.max(b.x0, xOf(from)), x1 = Math.min(b.x1, xOf(to));
        if (x1 > x0) c.fillRect(x0, b.y0, x1 - x0, b.y1 - b.y0);
      }
    }
    c.save();
    c.beginPath();
    c.rect(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    c.clip();
    c.strokeStyle = "#888";
    c.lineWidth = 1;
    for (const v of [-data.threshold, data.threshold]) {
      c.setLineDash([4, 3]);
      c.beginPath();
      c.moveTo(b.x0, yAt(v));
      c.lineTo(b.x1, yAt(v));
      c.stroke();
    }
    c.setLineDash([]);
    c.strokeStyle = "#1f5fbf";
    c.lineWidth = 1.2;
    c.beginPath();
    bins.forEach((bin, i) => {
      const x = xOf(bin.psi);
      if (i === 0) c.moveTo(x, yAt(bin.high));
      else c.lineTo(x, yAt(bin.high));
      if (bin.low !== bin.high) c.lineTo(x, yAt(bin.low));
    });
    c.stroke();
    c.restore();
    c.strokeStyle = "#333";
    c.strokeRect(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    c.fillStyle = "#222";
    c.font = "12px system-ui, sans-serif";
    c.textAlign = "center";
    c.textBaseline = "top";
    const px = ticks(view.psiMin, view.psiMax, Math.max(3, Math.floor((b.x1 - b.x0) / 80)));
    for (const v of px.values) c.fillText(v.toFixed(px.digits), xOf(v), b.y1 + 5);
    c.fillText("psi (degrees)", (b.x0 + b.x1) / 2, b.y1 + 22);
    c.textAlign = "right";
    c.textBaseline = "middle";
    const ty = ticks(lo, hi, 4);
    for (const v of ty.values) c.fillText(sig(v), b.x0 - 6, yAt(v));
    c.save();
    c.translate(14, (b.y0 + b.y1) / 2);
    c.rotate(-Math.PI / 2);
    c.textAlign = "center";
    c.fillText("I - I-prim (cps)", 0, 0);
    c.restore();
  }

  let zoomBox = null;
  function draw() {
    const b = plotBox();
    context.clearRect(0, 0, width, height);
    const shown = visible();
    drawWindows(b);
    drawCurves(b, shown);
    drawAxes(b);
    drawKey(b);
    drawChosenEnergy(b);
    drawScan();
    if (zoomBox) {
      context.strokeStyle = "#1f5fbf";
      context.setLineDash([4, 3]);
      context.strokeRect(zoomBox.x0, zoomBox.y0, zoomBox.x1 - zoomBox.x0, zoomBox.y1 - zoomBox.y0);
      context.setLineDash([]);
    }
    document.getElementById("drawn").textContent =
      shown.length + " of " + curves.length + " curves drawn";
  }

  function resize() {
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    width = Math.max(300, box.width);
    height = box.height;
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    draw();
  }

  // ---- Zoom and pan.
  function show(next) {
    const psiSpan = Math.min(whole.psiMax - whole.psiMin, Math.max(1e-4, next.psiMax - next.psiMin));
    const eSpan = Math.min(whole.eMax - whole.eMin, Math.max(1e-6, next.eMax - next.eMin));
    let psiMin = Math.min(Math.max(next.psiMin, whole.psiMin), whole.psiMax - psiSpan);
    let eMin = Math.min(Math.max(next.eMin, whole.eMin), whole.eMax - eSpan);
    if (flat) eMin = whole.eMin;
    view = { psiMin, psiMax: psiMin + psiSpan, eMin, eMax: flat ? whole.eMax : eMin + eSpan };
    hideTooltip();
    draw();
  }
  function zoomPsi(center, factor) {
    show(Object.assign({}, view, { psiMin: center - (center - view.psiMin) * factor,
                                   psiMax: center + (view.psiMax - center) * factor }));
  }
  function pan(fraction) {
    const shift = (view.psiMax - view.psiMin) * fraction;
    show(Object.assign({}, view, { psiMin: view.psiMin + shift, psiMax: view.psiMax + shift }));
  }
  function local(e) {
    const box = canvas.getBoundingClientRect();
    return { x: e.clientX - box.left, y: e.clientY - box.top };
  }

  canvas.addEventListener("wheel", (e) => {
    e.preventDefault();
    zoomPsi(psiOf(local(e).x), e.deltaY < 0 ? 0.8 : 1.25);
  }, { passive: false });
  canvas.addEventListener("dblclick", () => show(whole));
  canvas.addEventListener("mousedown", (e) => {
    if (e.button !== 0) return;
    e.preventDefault();
    const start = local(e);
    const from = Object.assign({}, view);
    const b = plotBox();
    const move = (m) => {
      const p = local(m);
      if (e.shiftKey) {
        const dPsi = (start.x - p.x) / (b.x1 - b.x0) * (from.psiMax - from.psiMin);
        const dE = (p.y - start.y) / (b.y1 - b.y0) * (from.eMax - from.eMin);
        show({ psiMin: from.psiMin + dPsi, psiMax: from.psiMax + dPsi, eMin: from.eMin + dE, eMax: from.eMax + dE });
      } else {
        zoomBox = { x0: Math.min(start.x, p.x), x1: Math.max(start.x, p.x),
                    y0: Math.min(start.y, p.y), y1: Math.max(start.y, p.y) };
        draw();
      }
    };
    const up = () => {
      window.removeEventListener("mousemove", move);
      window.removeEventListener("mouseup", up);
      if (!zoomBox) {
        if (!e.shiftKey) chooseEnergyAt(start.x, start.y);
        return;
      }
      const z = zoomBox;
      zoomBox = null;
      if (z.x1 - z.x0 < 5) {
        draw();
        return;
      }
      const tall = z.y1 - z.y0 >= 5;
      show({ psiMin: psiOf(z.x0), psiMax: psiOf(z.x1),
             eMin: tall ? energyOf(z.y1) : view.eMin, eMax: tall ? energyOf(z.y0) : view.eMax });
    };
    window.addEventListener("mousemove", move);
    window.addEventListener("mouseup", up);
  });

  function bindToolbar() {
    const centre = () => (view.psiMin + view.psiMax) / 2;
    document.getElementById("pan-left").addEventListener("click", () => pan(-0.25));
    document.getElementById("pan-right").addEventListener("click", () => pan(0.25));
    document.getElementById("zoom-in").addEventListener("click", () => zoomPsi(centre(), 0.5));
    document.getElementById("zoom-out").addEventListener("click", () => zoomPsi(centre(), 2));
    document.getElementById("zoom-reset").addEventListener("click", () => show(whole));
    document.addEventListener("keydown", (e) => {
      if (e.target && e.target.tagName === "SELECT") return;
      if (e.key === "ArrowLeft") pan(-0.1);
      else if (e.key === "ArrowRight") pan(0.1);
      else if (e.key === "+" || e.key === "=") zoomPsi(centre(), 0.8);
      else if (e.key === "-") zoomPsi(centre(), 1.25);
      else return;
      e.preventDefault();
    });
    // The weakest strength drawn: the threshold, or so many curves that the page stays quick.
    const select = document.getElementById("weakest");
    const choices = [];
    for (const f of [1, 2, 5, 10, 20, 50, 100, 200, 500, 1000])
      if (data.threshold * f <= strongest || f === 1) choices.push(data.threshold * f);
    if (curves.length > drawnAtMost) {
      const cut = data.curves[drawnAtMost - 1].peak;
      weakest = choices.filter((v) => v <= cut).pop() || data.threshold;
    }
    for (const v of choices) {
      const n = curves.filter((c) => c.data.peak >= v).length;
      const option = element("option", { value: String(v) }, sig(v) + " cps (" + n + " curves)");
      if (v === weakest) option.selected = true;
      select.appendChild(option);
    }
    select.addEventListener("change", () => {
      weakest = Number(select.value);
      draw();
    });
  }

  // ---- The curve under the pointer.
  function nearestCurve(x, y) {
    let best = null;
    let bestDistance = 7;  // pixels
    for (const c of visible())
      c.runs.forEach((crossing, k) => {
        for (const run of crossing)
          for (let i = 0; i < run.length; ++i) {
            const p = run[i];
            const q = run[Math.min(i + 1, run.length - 1)];
            const ax = xOf(p[0]), ay = yOf(p[1]), bx = xOf(q[0]), by = yOf(q[1]);
            const dx = bx - ax, dy = by - ay;
            const length = dx * dx + dy * dy;
            const t = length > 0 ? Math.min(1, Math.max(0, ((x - ax) * dx + (y - ay) * dy) / length)) : 0;
            const d = Math.hypot(x - ax - t * dx, y - ay - t * dy);
            if (d < bestDistance || (d === bestDistance && best && c.data.peak > best.curve.data.peak)) {
              bestDistance = d;
              best = { curve: c, crossing: k + 1, psi: p[0] + t * (q[0] - p[0]), energy: p[1] + t * (q[1] - p[1]),
                       strength: p[2] + t * (q[2] - p[2]) };
            }
          }
      });
    return best;
  }
  function hideTooltip() {
    tooltip.hidden = true;
  }
  function showTooltip(x, y) {
    const b = plotBox();
    const hit = x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1 ? nearestCurve(x, y) : null;
    if (!hit) {
      hideTooltip();
      return;
    }
    const table = element("table");
    const rows = [["h2", hkl(hit.curve.data.h2)], ["h3", hkl(hit.curve.data.h3)],
                  ["crossing", hit.crossing + (hit.crossing === 1 ? " (in-out)" : " (out-in)")], ["E", fixed(hit.energy, 4) + " keV"],
                  ["psi", fixed(hit.psi, 3) + " deg"], ["strength", sig(hit.strength) + " cps"],
                  ["largest", sig(hit.curve.data.peak) + " cps"]];
    if (data.radiation.startsWith("tube")) rows.push(["line", hit.curve.data.line === 1 ? "K-alpha1" : "K-alpha2"]);
    for (const [name, value] of rows) {
      const row = table.insertRow();
      row.appendChild(element("th", {}, name));
      row.appendChild(element("td", { class: "num" }, value));
    }
    tooltip.replaceChildren(table);
    tooltip.hidden = false;
    const host = document.getElementById("plots").getBoundingClientRect();
    const box = canvas.getBoundingClientRect();
    let left = box.left - host.left + x + 14;
    if (left + tooltip.offsetWidth > host.width) left = Math.max(0, left - tooltip.offsetWidth - 28);
    tooltip.style.left = left + "px";
    tooltip.style.top = (box.top - host.top + y + 14) + "px";
  }
  canvas.addEventListener("mousemove", (e) => {
    const p = local(e);
    showTooltip(p.x, p.y);
  });
  canvas.addEventListener("mouseleave", hideTooltip);

  // ---- Parameters and windows.
  function parameters() {
    const table = element("table");
    const rows = [
      ["primary reflection", hkl(data.primary)],
      ["radiation", data.radiation],
      ["photon energy", fixed(data.energy_from, 3) + " to " + fixed(data.energy_to, 3) + " keV"],
      ["intensity levels", String(data.levels)],
      ["strength", "|I / FWHM| s\u00b2 of the larger of Ikavro and Iaufhe (cps), what the run compares with drumin"],
      ["threshold", sig(data.threshold) + " cps: curves drawn from it; in a safe window the simulated scan " +
                    "stays within it of the primary's own level"],
      ["minimum window width", fixed(data.min_width, 3) + " deg"],
      ["reflections met", String(data.reflections_met)],
      ["events drawn", String(curves.length)],
    ];
    for (const [name, value] of rows) {
      const row = table.insertRow();
      row.appendChild(element("th", {}, name));
      row.appendChild(element("td", {}, value));
    }
    document.getElementById("parameters").appendChild(table);
  }
  function windows() {
    const host = document.getElementById("windows");
    if (data.windows.length === 0) {
      host.appendChild(element("p", { class: "note" }, "None at least " + fixed(data.min_width, 3) +
        " deg wide: give a smaller --min-width, a larger --threshold or a narrower energy range."));
      return;
    }
    const table = element("table");
    const head = table.insertRow();
    for (const name of ["psi from", "psi to", "width", "event before", "event after"])
      head.appendChild(element("th", {}, name));
    for (const w of data.windows) {
      const row = table.insertRow();
      // A window through the end of a full turn ends at its azimuth in the turn's start.
      const to = fixed(w.wraps ? w.to - 360 : w.to, 3) + (w.wraps ? " (through " + fixed(data.psi_to, 0) + ")" : "");
      [fixed(w.from, 3), to, fixed(w.to - w.from, 3), hkl(w.before), hkl(w.after)].forEach((text, i) =>
        row.appendChild(element("td", i < 3 ? { class: "num" } : {}, text)));
    }
    host.appendChild(table);
  }

  // For tests and for scripts: the page position of a map point.
  window.kavroMap = {
    pointOf(psi, energy) {
      const box = canvas.getBoundingClientRect();
      return { x: box.left + xOf(psi), y: box.top + yOf(energy) };
    },
    // The drawn scan's bins in view: [{psi, low, high}], or null before a click.
    scanBins() {
      return chosen === null ? null : visibleBins();
    },
  };

  parameters();
  windows();
  bindToolbar();
  resize();
  window.addEventListener("resize", resize);
  document.body.setAttribute("data-map", "drawn");
})();

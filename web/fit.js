// The interactive page of a kavro-99 fit: the measured points with their
// error bars and the fitted scan over them, the normalised residuals under
// them, both drawn with uPlot on one shared, zoomable psi axis; the matched
// peaks marked at their calculated psi and named under the pointer; the
// parameters, the correlation matrix, the fitted wavelength and the peaks.
(function () {
  "use strict";

  const data = JSON.parse(document.getElementById("kavro-data").textContent);
  const whole = { min: data.psi_from, max: data.psi_to };
  let activePlot = null;

  // ---- Numbers and text.
  function fixed(value, digits) {
    return value == null ? "" : Number(value).toFixed(digits);
  }
  function sig(value, digits) {
    if (value == null) return "";
    const v = Number(value);
    const d = digits || 4;
    return v === 0 ? "0" : Math.abs(v) >= 1e-3 && Math.abs(v) < 1e6 ? String(+v.toPrecision(d)) : v.toExponential(d - 1);
  }
  const element = kavroElement;
  function hkl(h) {
    return h.join(" ");
  }
  function table(head, rows, numericFrom) {
    const t = element("table");
    if (head) {
      const r = t.insertRow();
      for (const name of head) r.appendChild(element("th", {}, name));
    }
    for (const cells of rows) {
      const r = t.insertRow();
      cells.forEach((text, i) => r.appendChild(element(i === 0 && !head ? "th" : "td",
                                                       i >= numericFrom ? { class: "num" } : {}, text)));
    }
    return t;
  }

  // ---- The points, in psi order, and the residuals.
  const order = data.points.psi.map((_, i) => i).sort((a, b) => data.points.psi[a] - data.points.psi[b]);
  const points = order.map((i) => ({
    psi: data.points.psi[i], measured: data.points.measured[i], sigma: data.points.sigma[i],
    fitted: data.points.fitted[i],
  }));
  const hasFit = data.fitted !== null;
  const peaks = data.peaks.slice().sort((a, b) => a.psi_calculated - b.psi_calculated);

  // ---- The shared psi axis (psi_axis.js).
  const axis = kavroPsiAxis(whole, {
    enter: (u) => { activePlot = u; },
    leave: () => { activePlot = null; hideTooltip(); },
    move: showTooltip,
  });
  const plots = axis.plots;
  const overWidth = axis.overWidth;

  // ---- Hover labels: the matched peak within a few pixels of the pointer, else the nearest point.
  const tooltip = document.getElementById("tooltip");
  function hideTooltip() {
    tooltip.hidden = true;
    for (const row of document.querySelectorAll("#peaks tr.hit")) row.classList.remove("hit");
  }
  function nearestPeak(psi, tolerance) {
    let best = null, distance = tolerance;
    peaks.forEach((p, i) => {
      const d = Math.min(Math.abs(p.psi_calculated - psi), Math.abs(p.psi_measured - psi));
      if (d <= distance) { best = i; distance = d; }
    });
    return best;
  }
  function nearestPoint(psi) {
    let best = null;
    for (const p of points) if (best === null || Math.abs(p.psi - psi) < Math.abs(best.psi - psi)) best = p;
    return best;
  }
  function peakLabel(p) {
    const rows = [["h2", hkl(p.h2)], ["h3", hkl(p.h3)],
                  ["crossing", p.crossing + (p.crossing === 1 ? " (in-out)" : " (out-in)")],
                  ["measured", (p.dip ? "dip" : "peak") + " of " + sig(p.height) + " cps"],
                  ["psi measured", fixed(p.psi_measured, 4) + " deg"],
                  ["psi calculated", fixed(p.psi_calculated, 4) + " deg"],
                  ["difference", fixed(p.difference, 4) + " deg"]];
    if (data.wavelength.fitted.length > 1) rows.push(["line", p.line === 1 ? "K-alpha1" : "K-alpha2"]);
    return [element("div", {}, "matched " + (p.dip ? "dip" : "peak")), table(null, rows, 1)];
  }
  function pointLabel(p) {
    const rows = [["psi", fixed(p.psi, 4) + " deg"], ["measured", sig(p.measured, 6) + " \u00b1 " + sig(p.sigma, 3) + " cps"]];
    if (p.fitted != null) {
      rows.push(["fitted", sig(p.fitted, 6) + " cps"]);
      rows.push(["residual", fixed((p.measured - p.fitted) / p.sigma, 2) + " sigma"]);
    }
    return [table(null, rows, 1)];
  }
  function showTooltip(u) {
    const left = u.cursor.left;
    if (u !== activePlot || left == null || left < 0) return;
    const psi = u.posToVal(left, "x");
    const tolerance = 6 * (u.scales.x.max - u.scales.x.min) / overWidth(u);
    const hit = nearestPeak(psi, tolerance);
    const point = hit === null ? nearestPoint(psi) : null;
    if (hit === null && (point === null || Math.abs(point.psi - psi) > tolerance)) {
      hideTooltip();
      return;
    }
    hideTooltip();
    tooltip.replaceChildren(...(hit !== null ? peakLabel(peaks[hit]) : pointLabel(point)));
    if (hit !== null) {
      const row = document.getElementById("peak-row-" + hit);
      if (row) row.classList.add("hit");
    }
    axis.placeTooltip(u, tooltip);
  }

  // ---- The plots.
  const baseOptions = axis.plotOptions;
  const addPlot = axis.addPlot;
  function clipped(u, draw) {
    const ctx = u.ctx;
    ctx.save();
    ctx.beginPath();
    ctx.rect(u.bbox.left, u.bbox.top, u.bbox.width, u.bbox.height);
    ctx.clip();
    draw(ctx);
    ctx.restore();
  }
  function visiblePsi(u, psi) {
    return psi >= u.scales.x.min && psi <= u.scales.x.max;
  }

  // Error bars of one sigma either way.
  function drawErrorBars(u) {
    clipped(u, (ctx) => {
      ctx.strokeStyle = "#c0392b99";
      ctx.lineWidth = 1;
      ctx.beginPath();
      for (const p of points) {
        if (!visiblePsi(u, p.psi)) continue;
        const x = u.valToPos(p.psi, "x", true);
        ctx.moveTo(x, u.valToPos(p.measured - p.sigma, "y", true));
        ctx.lineTo(x, u.valToPos(p.measured + p.sigma, "y", true));
      }
      ctx.stroke();
    });
  }
  // A mark at the calculated psi of every matched peak (green) or dip
  // (purple): a tick under the plot's top and a faint dashed line down,
  // labelled with h2 where the labels leave each other room.
  function peakMarks(labelled) {
    return (u) => {
      const ratio = window.devicePixelRatio || 1;
      clipped(u, (ctx) => {
        ctx.font = Math.round(11 * ratio) + "px system-ui, sans-serif";
        ctx.textAlign = "center";
        ctx.textBaseline = "top";
        const top = u.bbox.top + (labelled ? 14 : 0) * ratio;
        let lastLabel = -Infinity;
        for (const p of peaks) {
          if (!visiblePsi(u, p.psi_calculated)) continue;
          const x = u.valToPos(p.psi_calculated, "x", true);
          const colour = p.dip ? "125, 60, 152" : "30, 132, 73";
          ctx.strokeStyle = "rgba(" + colour + ", 0.35)";
          ctx.lineWidth = ratio;
          ctx.setLineDash([4 * ratio, 4 * ratio]);
          ctx.beginPath();
          ctx.moveTo(x, top);
          ctx.lineTo(x, u.bbox.top + u.bbox.height);
          ctx.stroke();
          ctx.setLineDash([]);
          ctx.strokeStyle = ctx.fillStyle = "rgb(" + colour + ")";
          ctx.lineWidth = 2 * ratio;
          ctx.beginPath();
          ctx.moveTo(x, top);
          ctx.lineTo(x, top + 8 * ratio);
          ctx.stroke();
          if (labelled && x - lastLabel > 56 * ratio) {
            ctx.fillText(hkl(p.h2), x, u.bbox.top + ratio);
            lastLabel = x;
          }
        }
      });
    };
  }

  // The measured points and the fitted scan on one ascending psi axis.
  function scanPlot() {
    const xs = [], fitted = [], measured = [];
    const grid = hasFit ? data.fitted : { psi: [], intensity: [] };
    let i = 0, j = 0;
    while (i < grid.psi.length || j < points.length) {
      if (j >= points.length || (i < grid.psi.length && grid.psi[i] <= points[j].psi)) {
        xs.push(grid.psi[i]);
        fitted.push(grid.intensity[i++]);
        measured.push(null);
      } else {
        xs.push(points[j].psi);
        fitted.push(null);
        measured.push(points[j++].measured);
      }
    }
    let low = Infinity, high = -Infinity;
    for (const p of points) {
      low = Math.min(low, p.measured - p.sigma);
      high = Math.max(high, p.measured + p.sigma);
    }
    for (const v of grid.intensity) {
      low = Math.min(low, v);
      high = Math.max(high, v);
    }
    const pad = 0.06 * (high - low || 1);
    const series = [{}];
    const values = [xs];
    if (hasFit) {
      series.push({ label: "fitted", stroke: "#1f5fbf", width: 1.5, spanGaps: true, value: (u, v) => sig(v, 6) });
      values.push(fitted);
    }
    series.push({ label: "measured", stroke: "#c0392b", width: 0, paths: () => null,
                  points: { show: true, size: 4, fill: "#c0392b" }, value: (u, v) => sig(v, 6) });
    values.push(measured);
    const options = baseOptions(hasFit ? "measured and fitted scan" : "measured scan and the matched peaks", 360,
                                "intensity (cps)");
    options.series = series;
    options.scales.y = { range: () => [low - pad, high + 2.5 * pad] };
    options.hooks.draw = [drawErrorBars, peakMarks(true)];
    addPlot(options, values, "scan-plot");
  }

  function residualPlot() {
    if (!hasFit) {
      document.getElementById("residual-plot").appendChild(element("p", { class: "note" },
        "A fit of the peak positions: its residuals are the differences in the peak table."));
      return;
    }
    const residuals = points.map((p) => (p.measured - p.fitted) / p.sigma);
    const options = baseOptions("residuals (measured - fitted) / sigma", 180, "residual / sigma");
    options.series = [{}, { label: "residual", stroke: "#555", width: 0, paths: () => null,
                            points: { show: true, size: 3, fill: "#555" }, value: (u, v) => fixed(v, 2) }];
    options.hooks.draw = [(u) => clipped(u, (ctx) => {
      ctx.strokeStyle = "#1f5fbf";
      ctx.lineWidth = 1;
      ctx.beginPath();
      const y = u.valToPos(0, "y", true);
      ctx.moveTo(u.bbox.left, y);
      ctx.lineTo(u.bbox.left + u.bbox.width, y);
      ctx.stroke();
    }), peakMarks(false)];
    addPlot(options, [points.map((p) => p.psi), residuals], "residual-plot");
  }

  // ---- The tables.
  function summary() {
    const s = data.summary;
    const w = data.wavelength;
    const rows = [["fitted to", data.peak_positions ? "the positions of the measured peaks" : "the measured points"],
                  [data.peak_positions ? "peaks fitted" : "points", String(s.points)], ["chi-square", sig(s.chi2, 6)],
                  ["reduced chi-square", sig(s.reduced_chi2, 6)], ["weights", s.weights],
                  ["iterations", String(s.iterations)]];
    if (s.inflated) rows.push(["uncertainties", "times sqrt(reduced chi-square)"]);
    const lines = w.fitted.map((l) => fixed(l, 6)).join(", ");
    rows.push([w.free ? "fitted wavelength" : "wavelength (held)",
               lines + (w.free ? " \u00b1 " + sig(w.uncertainty, 2) : "") + " \u00c5"]);
    if (!w.neutrons)
      rows.push([w.free ? "fitted photon energy" : "photon energy (held)", fixed(w.energy_fitted, 5) + " keV" +
                 (w.free ? " (input " + fixed(w.energy_input, 5) + ")" : "")]);
    rows.push(["peaks", s.matched_peaks + " of " + s.measured_peaks + " measured matched (" + s.strong_matched +
               " of the " + s.strong_peaks + " strong ones)"]);
    if (s.background_p_value != null) rows.push(["flat background alone", "p = " + sig(s.background_p_value, 3)]);
    document.getElementById("summary").appendChild(table(null, rows, 99));
  }
  function parameters() {
    const uncertainty = {};
    for (const p of data.parameters) uncertainty[p.name] = p.uncertainty;
    const t = table(["parameter", "value", "uncertainty", "unit"], [], 1);
    // The values a fit of the points holds are the input's; a fit of the peak positions uses none of them.
    for (const v of data.values) {
      if (data.peak_positions && !v.free) continue;
      const row = t.insertRow();
      if (!v.free) row.className = "held";
      [v.name, sig(v.value, 7), v.free ? "\u00b1 " + sig(uncertainty[v.name], 3) : "held", v.unit].forEach(
        (text, i) => row.appendChild(element("td", i === 1 || i === 2 ? { class: "num" } : {}, text)));
    }
    document.getElementById("parameters").appendChild(t);
  }
  function correlation() {
    const names = data.parameters.map((p) => p.name);
    const rows = data.correlation.map((row, j) => [names[j]].concat(row.map((c) => fixed(c, 4))));
    const t = table([""].concat(names), rows, 1);
    document.getElementById("correlation").appendChild(t);
  }
  function peakTable() {
    const host = document.getElementById("peaks");
    if (peaks.length === 0) {
      host.appendChild(element("p", { class: "note" }, "No measured peak was matched to a calculated event."));
      return;
    }
    const t = table(["h2", "h3", "crossing", "", "psi calc", "psi meas", "difference"], [], 4);
    peaks.forEach((p, i) => {
      const row = t.insertRow();
      row.id = "peak-row-" + i;
      [hkl(p.h2), hkl(p.h3), String(p.crossing), p.dip ? "dip" : "peak", fixed(p.psi_calculated, 4),
       fixed(p.psi_measured, 4), fixed(p.difference, 4)].forEach(
        (text, k) => row.appendChild(element("td", k >= 4 ? { class: "num" } : {}, text)));
    });
    host.appendChild(t);
  }

  // For tests and for scripts: the page position of a psi on the scan plot.
  window.kavroFit = {
    pointOf(psi) {
      const u = plots[0];
      const box = u.over.getBoundingClientRect();
      return { x: box.left + u.valToPos(psi, "x"), y: box.top + 20 };
    },
  };

  summary();
  parameters();
  correlation();
  peakTable();
  scanPlot();
  residualPlot();
  axis.showRange(whole.min, whole.max);
  axis.bindToolbar();
  window.addEventListener("resize", axis.resize);
  document.body.setAttribute("data-fit", "drawn");
})();

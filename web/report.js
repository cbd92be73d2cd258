// The interactive result page of a kavro-99 run: the calculated and measured
// psi-scans, the events as marks and the psi-lambda band, drawn with uPlot on
// one shared, zoomable psi axis, with the parameters, the summary figures and
// the data tables of the run.
(function () {
  "use strict";

  const data = JSON.parse(document.getElementById("kavro-data").textContent);
  const results = data.results;
  const grid = results.parameters.psi_grid;
  const whole = { min: grid.psia, max: grid.psie };
  const events = results.events.slice().sort((a, b) => a.psi - b.psi);
  const eventPsi = events.map((e) => e.psi);
  let activePlot = null;
  let bandCurves = 0;  // stored events whose curve crosses the psi window

  // ---- Numbers and text.
  function fixed(value, digits) {
    return value == null ? "" : Number(value).toFixed(digits);
  }
  function sig(value) {
    if (value == null) return "";
    const v = Number(value);
    return v === 0 ? "0" : Math.abs(v) >= 1e-3 && Math.abs(v) < 1e6 ? String(+v.toPrecision(4)) : v.toExponential(3);
  }
  const element = kavroElement;
  function hkl(e, n) {
    return e["h" + n] + " " + e["k" + n] + " " + e["l" + n];
  }

  // ---- The shared psi axis (psi_axis.js).
  const axis = kavroPsiAxis(whole, {
    enter: (u) => { activePlot = u; },
    leave: () => { activePlot = null; hideTooltip(); },
    move: showTooltip,
  });
  const overWidth = axis.overWidth;

  // ---- Hover labels: the events within a few pixels of the pointer, strongest first.
  const tooltip = document.getElementById("tooltip");
  const maxLabelled = 8;

  function firstAtOrAbove(psi) {
    let lo = 0, hi = eventPsi.length;
    while (lo < hi) {
      const mid = (lo + hi) >> 1;
      if (eventPsi[mid] < psi) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  }
  function eventsNear(psi, tolerance) {
    const near = [];
    for (let i = firstAtOrAbove(psi - tolerance); i < events.length && eventPsi[i] <= psi + tolerance; ++i)
      near.push(events[i]);
    return near.sort((a, b) => Math.max(b.I_K_per_fwhm, b.I_A_per_fwhm) - Math.max(a.I_K_per_fwhm, a.I_A_per_fwhm));
  }
  function hideTooltip() {
    tooltip.hidden = true;
  }
  // Per event the listing's Ikavro and Iaufhe (per FWHM, cps), and under it
  // the integrated intensities I_K s^2 and I_A s^2 (cps deg).
  function tooltipTable(near) {
    const table = element("table");
    const head = table.insertRow();
    const twoPasses = results.summary.passes.length > 1;
    const names = ["h2", "h3", "crossing", "psi (deg)", "Ikavro (cps)", "Iaufhe (cps)", "FWHM (deg)",
                   "TRPHI (deg)"];
    if (twoPasses) names.push("pass");
    for (const name of names) head.appendChild(element("th", {}, name));
    for (const e of near.slice(0, maxLabelled)) {
      const row = table.insertRow();
      const cells = [hkl(e, 2), hkl(e, 3), e.crossing, fixed(e.psi, 3), sig(e.I_K_per_fwhm), sig(e.I_A_per_fwhm),
                     fixed(e.fwhm, 4), fixed(e.triplet_phase, 1)];
      if (twoPasses) cells.push(String(e.pass));
      cells.forEach((text, i) => row.appendChild(element("td", i >= 3 ? { class: "num" } : {}, text)));
      const integrated = table.insertRow();
      integrated.className = "integrated";
      integrated.appendChild(element("td", { colspan: "4" }));
      integrated.appendChild(element("td", { colspan: String(names.length - 4) },
                                     "integrated: I_K s\u00b2 " + sig(e.I_K) + ", I_A s\u00b2 " + sig(e.I_A) +
                                     " cps deg"));
    }
    return table;
  }
  function showTooltip(u) {
    const left = u.cursor.left;
    if (u !== activePlot || left == null || left < 0) return;
    const psi = u.posToVal(left, "x");
    const tolerance = 5 * (u.scales.x.max - u.scales.x.min) / overWidth(u);
    const near = eventsNear(psi, tolerance);
    if (near.length === 0) {
      hideTooltip();
      return;
    }
    tooltip.replaceChildren(element("div", {}, "psi " + fixed(psi, 3) + " deg: " + near.length +
                                    (near.length === 1 ? " event" : " events") +
                                    (near.length > maxLabelled ? ", the " + maxLabelled + " strongest" : "")),
                            tooltipTable(near));
    axis.placeTooltip(u, tooltip);
  }

  // ---- The plots.
  const baseOptions = axis.plotOptions;
  const addPlot = axis.addPlot;

  function scanPlot() {
    const scan = data.scan;
    const series = [{}, { label: "calculated", stroke: "#1f5fbf", width: 1.5, value: (u, v) => sig(v) }];
    const values = [scan.psi, scan.calculated];
    if (scan.measured) {
      series.push({ label: "measured", stroke: "#c0392b", width: 1, points: { show: true, size: 3 },
                    value: (u, v) => sig(v) });
      values.push(scan.measured);
    }
    // A perfect crystal's scan names its quantity (a reflectivity) in place of the intensity.
    addPlot(Object.assign(baseOptions("psi-scan", 340, scan.quantity || "intensity (cps)"), { series }), values,
            "scan-plot");
  }

  function eventPlot() {
    const marks = (stroke, fill) => ({ stroke, fill, width: 0, paths: () => null,
                                       points: { show: true, size: 7, stroke, fill }, value: (u, v) => sig(v) });
    const series = [{}, Object.assign({ label: "I_K (into the primary beam)" }, marks("#1e8449", "#1e844988")),
                    Object.assign({ label: "-I_A (out of the primary beam)" }, marks("#c0392b", "#c0392b88"))];
    const mark = (v) => (v === 0 ? null : v);  // no mark for an event without that part
    const values = [eventPsi, events.map((e) => mark(e.I_K)), events.map((e) => mark(-e.I_A))];
    addPlot(Object.assign(baseOptions("events (" + events.length + ")", 200, "I s\u00b2 (cps deg)"), { series }),
            values, "event-plot");
  }

  // Where the secondary point h2 of a stored event meets the Ewald sphere as
  // the wavelength runs across the band: with alpha (radians), q2 = |h2|^2,
  // q1 = |H1|^2, t = |H1| p and r = |h2|^2 - p^2,
  //   psi = alpha -+ acos((q2 - t) / (2 sqrt(r (1/lambda^2 - q1/4)))) + PsiD,
  // where 2/lambda reaches |h2|. One branch per sign, psi taken into the 360
  // degrees from psia on; null where the branch leaves the sphere or wraps.
  function bandBranch(event, band, sign) {
    const [alpha, q2, q1, t, r] = event;
    const steps = 400;
    const xs = [], ys = [];
    let last = null;
    for (let i = 0; i <= steps; ++i) {
      const lambda = band.low + (band.high - band.low) * i / steps;
      const inverseSquare = 1 / (lambda * lambda);
      const c = 0.5 * (q2 - t) / Math.sqrt(r * (inverseSquare - q1 / 4));
      if (q2 > 4 * inverseSquare || !(c >= -1 && c <= 1)) {
        if (last !== null) { xs.push(last); ys.push(null); }
        continue;
      }
      let psi = (alpha + sign * Math.acos(c)) * band.rad_to_deg + band.psi_offset;
      psi = whole.min + (((psi - whole.min) % 360) + 360) % 360;
      if (last !== null && Math.abs(psi - last) > 180) { xs.push(last); ys.push(null); }
      xs.push(psi);
      ys.push(lambda);
      last = psi;
    }
    return [xs, ys];
  }
  function dashOf(code) {
    return code === 2 ? [3, 5] : code === 3 ? [9, 6, 3, 6] : [];
  }
  function inWindow(branch) {
    return branch[0].some((psi, i) => branch[1][i] !== null && psi >= whole.min && psi <= whole.max);
  }

  function bandPlot() {
    const band = data.band;
    const host = document.getElementById("band-plot");
    if (!(band.high > band.low) || band.events.length === 0) {
      host.appendChild(element("p", { class: "note" }, band.events.length === 0
        ? "No stored event for the psi-lambda band."
        : "The radiation has a single wavelength: the psi-lambda band has no height."));
      return;
    }
    const facets = [{ scale: "x", auto: false }, { scale: "y", auto: false }];
    const line = (label, dash) => ({ label, stroke: "#333", width: 1, dash, facets });
    const series = [{}, line("line 1 band end", []), line("line 2 band end", [])];
    const values = [null, [[whole.min, whole.max], [band.line1_top, band.line1_top]],
                    [[whole.min, whole.max], [band.line2_foot, band.line2_foot]]];
    band.events.forEach((event, j) => {
      const branches = [bandBranch(event, band, -1), bandBranch(event, band, 1)];
      if (branches.some(inWindow)) ++bandCurves;
      for (const branch of branches) {
        series.push(line("event " + (j + 1), dashOf(event[5])));
        values.push(branch);
      }
    });
    const options = baseOptions("psi-lambda band (" + band.events.length + " stored events, first pass)", 220,
                                "lambda (\u00c5)");
    options.mode = 2;
    options.series = series;
    options.legend = { show: false };
    options.scales.y = { range: [band.low, band.high] };
    // One line: its wavelength once; two: as many digits as the band needs.
    const lines = results.parameters.radiation.lines;
    const digits = Math.max(3, Math.ceil(-Math.log10((band.high - band.low) / 4)) + 1);
    options.axes[1].values = (u, splits) => splits.map((v) => v.toFixed(lines.length === 1 ? 4 : digits));
    if (lines.length === 1) options.axes[1].splits = () => [lines[0].wavelength];
    options.cursor = { drag: { x: true, y: false }, points: { show: false }, bind: { dblclick: () => null } };
    addPlot(options, values, "band-plot");
  }

  // ---- Parameters, summary and data tables, in the listing's words and units.
  const listingWords = {
    "pass": ["pass"],
    "wavelength": ["wavelength", "\u00c5"],
    "events_full_turn": ["Number of events in a 360 degree scan (extinct/non extinct)"],
    "near_window": ["events within 5 degrees of the psi window"],
    "stored": ["events listed and drawn (intensity above drumin)"],
    "store_overflowed": ["event store full (more events than it holds)"],
    "operative_reflections": ["Number of operative reflections (Prager formula)"],
    "scan_crossings": ["crossings in the scan (intensity above drucut)"],
    "table_rows": ["rows of the event table"],
    "calculated.iprim": ["I-prim", "cps"],
    "calculated.maximum": ["Maximum calculated intensity", "cps"],
    "calculated.minimum": ["Minimum calculated intensity", "cps"],
    "calculated.theta_primary": ["theta of the primary reflection", "deg"],
    "calculated.events_in_scan": ["Number of multiple diffraction events in the psi-scan (intensity above drucut)"],
    "dynamical.quantity": ["calculated scan (perfect crystal, N-beam dynamical theory)"],
    "dynamical.crystal": ["perfect crystal"],
    "dynamical.sigma_share": ["share of sigma polarisation in the incident beam"],
    "dynamical.maximum": ["highest calculated value"],
    "dynamical.minimum": ["lowest calculated value"],
    "dynamical.steps_outside": ["steps where the incident beam misses the surface (0 there)"],
    "measured.deviation": ["Deviation between calculated and measured psi", "deg"],
    "measured.shift_steps": ["the same deviation in steps of the psi grid"],
    "measured.iprim": ["Measured I-prim", "cps"],
    "measured.maximum": ["Maximum background corrected measured intensity", "cps"],
    "measured.minimum": ["Minimum background corrected measured intensity", "cps"],
    "measured.background": ["Background", "cps"],
    "cell.a": ["a", "\u00c5"], "cell.b": ["b", "\u00c5"], "cell.c": ["c", "\u00c5"],
    "cell.alpha": ["alpha", "deg"], "cell.beta": ["beta", "deg"], "cell.gamma": ["gamma", "deg"],
    "radiation.kind": ["radiation"],
    "radiation.tube": ["wavelength indicator"],
    "dlambda_over_lambda": ["deltalambda/lambda"],
    "weight": ["weight of the line"],
    "primary.hkl": ["primary reflection h k l"],
    "primary.F": ["fcalc of the primary reflection"],
    "primary.phase": ["phase of the primary reflection", "deg"],
    "primary.psi_interval": ["psi-interval of the measured I-prim", "deg"],
    "psi_grid.psia": ["psia", "deg"],
    "psi_grid.psie": ["psie", "deg"],
    "psi_grid.steps_per_degree": ["number of steps per degree"],
    "psi_grid.points": ["points of the scan"],
    "psi_offset": ["Psi=0 difference between diffractometer and reference direction: PsiD", "deg"],
    "drumin": ["drumin: events above it are listed", "cps"],
    "drucut": ["drucut: events above it enter the scan", "cps"],
    "phase_shift_interval_factor": ["phase shift interval factor"],
  };
  // The words for a key: its full path first, then its last part.
  function words(path) {
    const plain = path.replace(/\[\d+\]/g, "");
    return listingWords[plain] || listingWords[plain.split(".").pop()] || [path];
  }
  function valueText(value) {
    if (value === null) return "none";
    if (value === true) return "yes";
    if (value === false) return "no";
    if (Array.isArray(value)) return value.map(valueText).join(" ");
    return typeof value === "number" ? sig(value) : String(value);
  }
  function addRow(table, label, unit, text, numeric) {
    const row = table.insertRow();
    row.appendChild(element("th", {}, unit ? label + " (" + unit + ")" : label));
    row.appendChild(element("td", numeric ? { class: "num" } : {}, text));
  }
  function addRows(table, object, prefix) {
    for (const [key, value] of Object.entries(object)) {
      const name = prefix ? prefix + "." + key : key;
      const [label, unit] = words(name);
      const isObject = value !== null && typeof value === "object" && !Array.isArray(value);
      if (isObject && "intensity" in value) {
        // An extreme of a scan: intensity, its error where measured, and where it lies.
        let text = sig(value.intensity) + (value.error != null ? " +/- " + sig(value.error) : "");
        if (value.psi != null) text += " at psi = " + fixed(value.psi, 3);
        addRow(table, label, unit, text, true);
      } else if (isObject) {
        addRows(table, value, name);
      } else if (Array.isArray(value) && value.length && typeof value[0] === "object") {
        value.forEach((item, i) => {
          const head = table.insertRow();
          head.appendChild(element("th", { colspan: "2", class: "group" },
                                   (key === "lines" ? "wavelength line " : key === "passes" ? "pass " : key + " ") +
                                   (i + 1)));
          addRows(table, item, name + "[" + (i + 1) + "]");
        });
      } else {
        if (name.endsWith("].pass")) continue;  // in the group's heading
        const text = value === null && key === "deviation" ? "not determined" : valueText(value);
        addRow(table, label, unit, text, typeof value === "number");
      }
    }
  }
  function figures(id, object) {
    const table = element("table", { class: "figures" });
    addRows(table, object, "");
    document.getElementById(id).appendChild(table);
  }
  function downloads() {
    const list = document.getElementById("downloads");
    const files = Object.assign({}, data.tables);
    files[data.name + "-events.json"] = JSON.stringify(results, null, 1) + "\n";
    for (const [name, text] of Object.entries(files)) {
      const type = name.endsWith(".json") ? "application/json" : "text/csv";
      const link = element("a", { href: URL.createObjectURL(new Blob([text], { type })), download: name }, name);
      const item = element("li");
      item.append(link, " (" + text.length + " bytes)");
      list.appendChild(item);
    }
  }

  figures("summary", results.summary);
  figures("parameters", results.parameters);
  downloads();
  scanPlot();
  eventPlot();
  bandPlot();
  axis.showRange(whole.min, whole.max);
  axis.bindToolbar();
  window.addEventListener("resize", axis.resize);
  document.body.setAttribute("data-band-curves", String(bandCurves));
  document.body.setAttribute("data-report", "drawn");
})();

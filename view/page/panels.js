// panels.js: the page's text beside the drawing: the FEM file and date, the
// run summary, the member list with its search, the check's findings, what
// was not drawn, the input-error report, and the hover box. Every name and
// text from the file is set with textContent, never as markup.
(function (Lablix) {
  "use strict";

  const kSummaryLabels = [
    "Number of Names Node",
    "Number of Nodes",
    "Number of Names Memb",
    "Number of Elements",
    "Number of Mesh",
    "Highest Mesh Ref No",
    "Highest Memb Ref No",
  ];
  // Longer lists are cut here: the browser stays quick with a large model.
  const kMostListed = 2000;

  function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function byId(id) {
    return document.getElementById(id);
  }

  function showFacts(model) {
    byId("file-name").textContent = model.file;
    byId("run-date").textContent = model.date;
    document.title = "Lablix: " + model.file;
    const table = byId("summary");
    kSummaryLabels.forEach((label, k) => {
      const row = element("tr");
      row.append(element("td", "", label), element("td", "", String(model.counts[k])));
      table.append(row);
    });
    if (model.report) {
      byId("report-panel").hidden = false;
      byId("limit").textContent = "The FEM file breaks a limit: " + model.limit + ". The label file would hold this report instead of labels:";
      byId("report").textContent = model.report.join("\n");
    }
  }

  // The member list; onSelect(number) on a click (0: none).
  function showMembers(model, onSelect) {
    const list = byId("member-list");
    byId("member-total").textContent = "(" + model.members.length + ")";
    byId("unnamed-count").textContent =
      model.nUnnamed === 1 ? "1 element without a name (grey)" : model.nUnnamed + " elements without a name (grey)";
    const rows = [];
    for (const member of model.members) {
      const row = element("li");
      row.dataset.member = String(member.number);
      const swatch = element("span", "swatch");
      swatch.style.background = Lablix.drawing.memberColour(member.number);
      row.append(element("span", "number", String(member.number)), swatch, element("span", "name", member.name), element("span", "count", String(member.count)));
      row.title = member.count === 1 ? "1 element" : member.count + " elements";
      row.addEventListener("click", () => onSelect(row.classList.contains("selected") ? 0 : member.number));
      rows.push(row);
    }
    list.append(...rows);
    const lowered = model.members.map((member) => member.name.toLowerCase());
    byId("member-search").addEventListener("input", (event) => {
      const wanted = event.target.value.toLowerCase();
      rows.forEach((row, i) => {
        row.hidden = wanted !== "" && !lowered[i].includes(wanted);
      });
    });
    return rows;
  }

  function markSelected(rows, number) {
    for (const row of rows) row.classList.toggle("selected", Number(row.dataset.member) === number);
  }

  // What a finding is about, where that is an element or a node: its
  // subject stands first after "FILE:LINE: RECORD: ", perhaps after "no
  // RECORD numbers ". Looked for there only, since the file's name and the
  // quoted names are anyone's words, and "element N of the relation"
  // counts places in a relation, not elements. Null for anything else.
  const kSubject = /^\d+: [A-Z][A-Z0-9]*: (?:no [A-Z][A-Z0-9]* numbers )?(element|node) (\d+)(?!\d)(?! of the relation)/;
  function findingSubject(model, text) {
    const prefix = model.file + ":";
    if (!text.startsWith(prefix)) return null;
    const match = kSubject.exec(text.slice(prefix.length));
    if (!match) return null;
    const number = Number(match[2]);
    if (match[1] === "element") return Lablix.data.isDrawn(model, number) ? { element: number } : null;
    return Lablix.data.hasCoordinates(model, number) ? { node: number } : null;
  }

  // The count the check's closing line gives: "no findings", "1 finding",
  // "12 findings" (a note of findings not shown may stand before it).
  function findingCount(model) {
    const last = model.findings.length > 0 ? model.findings[model.findings.length - 1] : "";
    const match = /^(\d+) findings?$/.exec(last);
    return match ? Number(match[1]) : 0;
  }

  // The findings in the check's words; those that are about an element or
  // a node the page drew are links to it: onShow({element} or {node}).
  function showFindings(model, onShow) {
    const list = byId("finding-list");
    byId("finding-total").textContent = "(" + findingCount(model) + ")";
    const rows = model.findings.map((text) => {
      const row = element("li", "", text);
      const target = findingSubject(model, text);
      if (target) {
        row.classList.add("clickable");
        row.addEventListener("click", () => onShow(target));
      }
      return row;
    });
    list.append(...rows);
  }

  // The elements not drawn, with the reason and the FEM line, the
  // reasons counted.
  function showUndrawn(model) {
    const list = byId("undrawn-list");
    const counts = new Map();
    let n = 0;
    for (let e = 1; e <= model.nElems; e += 1) {
      const reason = model.elemState[e] & 15;
      if (reason === 0) continue;
      n += 1;
      counts.set(reason, (counts.get(reason) || 0) + 1);
      if (n > kMostListed) continue;
      const where = reason === 7 ? "" : " (" + model.words.elements + " at line " + model.elemLine[e] + ")";
      const ext = reason === 7 ? "" : ", ElemID " + model.elemExt[e];
      list.append(element("li", "", "element " + e + ext + where + ": " + model.words.undrawn[reason]));
    }
    byId("undrawn-total").textContent = "(" + n + ")";
    if (n > kMostListed) list.append(element("li", "", "... " + (n - kMostListed) + " more"));
    for (const [reason, count] of [...counts.entries()].sort((a, b) => a[0] - b[0])) {
      list.prepend(element("li", "", count + " not drawn: " + model.words.undrawn[reason]));
    }
    if (n > 0) byId("undrawn-panel").open = true;
    const notice = byId("no-geometry");
    if (model.report) {
      notice.textContent = "The FEM file breaks a limit (" + model.limit + "): the model is not drawn.";
      notice.hidden = false;
    } else if (model.nCoords === 0) {
      notice.textContent =
        "The FEM file holds no coordinates (no " + model.words.coordinates + " record): the model cannot be drawn.";
      notice.hidden = false;
    }
  }

  // What the pointer is over: its label as the label file writes it, and
  // more about it; null hides the box.
  function showHover(model, hit, x, y) {
    const box = byId("hover");
    if (!hit) {
      box.hidden = true;
      return;
    }
    const { column8 } = Lablix.data;
    let lines;
    if (hit.node !== undefined) {
      const named = model.nodeNames[hit.node];
      lines = [
        "NodeLabel" + column8(named.ext) + "     " + named.name + ", NodeID=" + column8(named.ext),
        "node " + named.node + " (NodeID " + named.ext + ")",
      ];
    } else {
      const e = hit.element;
      const number = model.elemMemb[e];
      const member = model.memberByNumber.get(number);
      const type = model.types.get(model.elemType[e]);
      const ext = model.elemExt[e];
      lines = [
        member ? "ElementLabel" + column8(ext) + "     " + member.name + ", ElemID=" + column8(ext) : "no label: no named member lists element " + e + " (ElemID " + ext + ")",
        (member ? "member " + number + ", " : "") + (type ? type.name : "type " + model.elemType[e]) + ", " + model.words.elements + " at line " + model.elemLine[e],
      ];
      if (model.elemState[e] & Lablix.data.kListedTwice) lines.push("listed by two named members: the label shows the higher one's name");
    }
    box.textContent = lines.join("\n");
    box.hidden = false;
    const parent = box.parentElement.getBoundingClientRect();
    box.style.left = Math.min(x + 14, Math.max(0, parent.width - box.offsetWidth - 4)) + "px";
    box.style.top = Math.min(y + 14, Math.max(0, parent.height - box.offsetHeight - 4)) + "px";
  }

  Lablix.panels = { showFacts, showMembers, markSelected, showFindings, showUndrawn, showHover };
})((window.Lablix = window.Lablix || {}));

// The reader catalogue's search. Runs from a local folder (file://) as well as from any static web space:
// the data comes as a script file beside it, and every text reaches the page through textContent only.
(function () {
    'use strict';

    var SEITE = 25; // rows shown at once; "Weitere Treffer zeigen" adds as many again
    var daten = window.LESARO_KATALOG;
    var el = function (id) { return document.getElementById(id); };
    var eingabe = el('suche');
    var auswahlSachgruppe = el('sachgruppe');
    var auswahlStandort = el('standort');
    var auswahlSortierung = el('sortierung');
    var anzahl = el('anzahl');
    var treffer = el('treffer');
    var mehr = el('mehr');

    if (!daten) {
        anzahl.textContent = 'Die Katalogdaten (katalog-daten.js) fehlen in diesem Ordner.';
        return;
    }

    var spalten = daten.spalten;
    var anzahlBuecher = daten.anzahl;
    var TRENNER = '\u001f'; // divides the values of a column, which the data file holds as one string each
    function teile(text) {
        return anzahlBuecher > 0 ? text.split(TRENNER) : [];
    }
    var werte = daten.werte.map(teile);
    var ausgeliehen = daten.ausgeliehen || '';
    var zurueckBis = daten.zurueckBis ? teile(daten.zurueckBis) : [];
    var feld = {};
    spalten.forEach(function (s, i) { feld[s.feld] = i; });

    // Case and accents do not count: "muller" finds the name with u-umlaut, "strasse" the word with sharp s.
    // Each character outside ASCII is folded once and remembered, so that the whole catalogue folds in one pass.
    var gefaltet = {'\u00df': 'ss', '\u00e6': 'ae', '\u0153': 'oe', '\u00f8': 'o'};
    function falteZeichen(c) {
        var f = gefaltet[c];
        if (f === undefined) {
            f = c.normalize('NFD').replace(/[\u0300-\u036f]/g, '');
            gefaltet[c] = f;
        }
        return f;
    }
    function falte(text) {
        return text.toLowerCase().replace(/[^\u0000-\u007f]/g, falteZeichen);
    }

    // What the search looks through: one text for the whole catalogue, a record per book with its author, title,
    // keywords and subject group divided by U+0001, the records ended by U+001E. A word is looked for with
    // indexOf over that one text, and a hit jumps to the next book at once.
    var ENDE = '\u001e';
    var suchspalten = ['verfasser', 'titel', 'schlagwoerter', 'sachgruppe']
        .filter(function (f) { return f in feld; })
        .map(function (f) { return werte[feld[f]]; });
    var saetze = new Array(anzahlBuecher);
    for (var i = 0; i < anzahlBuecher; i++) {
        var satz = suchspalten[0][i];
        for (var k = 1; k < suchspalten.length; k++)
            satz += '\u0001' + suchspalten[k][i];
        saetze[i] = satz;
    }
    var suchtext = falte(saetze.join(ENDE)) + ENDE;
    saetze = null;
    var satzEnde = new Int32Array(anzahlBuecher);
    for (var pos = -1, b = 0; b < anzahlBuecher; b++) {
        pos = suchtext.indexOf(ENDE, pos + 1);
        satzEnde[b] = pos;
    }

    // Marks the books whose record holds the word: those marked stufe - 1 so far become stufe.
    function markiere(wort, marke, stufe) {
        var unten = 0;
        var p = suchtext.indexOf(wort);
        while (p >= 0 && unten < anzahlBuecher) {
            var a = unten;
            var z = anzahlBuecher - 1;
            while (a < z) {
                var m = (a + z) >> 1;
                if (satzEnde[m] < p)
                    a = m + 1;
                else
                    z = m;
            }
            if (marke[a] === stufe - 1)
                marke[a] = stufe;
            unten = a + 1;
            p = suchtext.indexOf(wort, satzEnde[a] + 1);
        }
    }

    function fuelleAuswahl(select, werte, feldName, behaelter) {
        if (!(feldName in feld)) {
            el(behaelter).hidden = true;
            return;
        }
        (werte || []).forEach(function (w) {
            var o = document.createElement('option');
            o.value = w;
            o.textContent = w;
            select.appendChild(o);
        });
    }
    fuelleAuswahl(auswahlSachgruppe, daten.sachgruppen, 'sachgruppe', 'feld-sachgruppe');
    fuelleAuswahl(auswahlStandort, daten.standorte, 'standort', 'feld-standort');

    var kopf = el('kopf');
    var koepfe = spalten.slice();
    if (daten.verfuegbarkeit)
        koepfe.push({feld: 'verfuegbarkeit', titel: 'Verf\u00fcgbarkeit'});
    koepfe.forEach(function (s) {
        var th = document.createElement('th');
        th.scope = 'col';
        th.className = 'sp-' + s.feld; // the style sheet gives the short columns their widths
        th.textContent = s.titel;
        kopf.appendChild(th);
    });

    function tausender(n) {
        return String(n).replace(/\B(?=(\d{3})+(?!\d))/g, '.');
    }

    var gefunden = [];
    var gezeigt = 0;

    function zeile(i) {
        var tr = document.createElement('tr');
        for (var j = 0; j < spalten.length; j++) {
            var td = document.createElement('td');
            td.setAttribute('data-titel', spalten[j].titel);
            td.textContent = werte[j][i];
            tr.appendChild(td);
        }
        if (daten.verfuegbarkeit) {
            var st = document.createElement('td');
            st.setAttribute('data-titel', 'Verf\u00fcgbarkeit');
            if (ausgeliehen.charAt(i) === '1') {
                st.className = 'ausgeliehen';
                st.textContent = daten.rueckgabe && zurueckBis[i] ? 'ausgeliehen, zur\u00fcck bis ' + zurueckBis[i]
                                                                  : 'ausgeliehen';
            } else {
                st.className = 'verfuegbar';
                st.textContent = 'verf\u00fcgbar';
            }
            tr.appendChild(st);
        }
        return tr;
    }

    function zeigeWeitere() {
        var ende = Math.min(gefunden.length, gezeigt + SEITE);
        var stueck = document.createDocumentFragment();
        for (; gezeigt < ende; gezeigt++)
            stueck.appendChild(zeile(gefunden[gezeigt]));
        treffer.appendChild(stueck);
        mehr.hidden = gezeigt >= gefunden.length;
        var text = gefunden.length === 0 ? 'Keine Treffer'
                 : gefunden.length === 1 ? '1 Treffer'
                 : tausender(gefunden.length) + ' Treffer';
        if (gezeigt < gefunden.length)
            text += ', die ersten ' + tausender(gezeigt) + ' werden gezeigt';
        anzahl.textContent = text;
    }

    function suche() {
        // Control characters cannot be part of a word: they divide the search text.
        var woerter = falte(eingabe.value.replace(/[\u0000-\u001f]/g, ' ')).split(/\s+/)
            .filter(function (w) { return w.length > 0; }).slice(0, 250);
        var marke = null;
        if (woerter.length > 0) {
            marke = new Uint8Array(anzahlBuecher);
            for (var w = 0; w < woerter.length; w++)
                markiere(woerter[w], marke, w + 1);
        }
        var alle = woerter.length;
        var sg = auswahlSachgruppe.value;
        var so = auswahlStandort.value;
        var sachgruppen = sg ? werte[feld.sachgruppe] : null;
        var standorte = so ? werte[feld.standort] : null;
        var folge = auswahlSortierung.value === 'titel' ? daten.titelfolge : null;
        var neu = [];
        for (var p = 0; p < anzahlBuecher; p++) {
            var i = folge ? folge[p] : p;
            if (marke && marke[i] !== alle)
                continue;
            if (sachgruppen && sachgruppen[i] !== sg)
                continue;
            if (standorte && standorte[i] !== so)
                continue;
            neu.push(i);
        }
        // A blank typed after a word finds the same books: the list stays as it is.
        if (gleich(neu, gefunden) && treffer.firstChild)
            return;
        gefunden = neu;
        treffer.textContent = '';
        gezeigt = 0;
        zeigeWeitere();
    }

    function gleich(a, b) {
        if (a.length !== b.length)
            return false;
        for (var i = 0; i < a.length; i++)
            if (a[i] !== b[i])
                return false;
        return true;
    }

    // The address keeps the search (#q=...&sachgruppe=...), so that a search can be bookmarked or passed on.
    function ausAdresse() {
        var roh = window.location.hash.replace(/^#/, '');
        var werte;
        try {
            werte = new URLSearchParams(roh);
        } catch (e) {
            werte = new URLSearchParams('');
        }
        eingabe.value = werte.get('q') || '';
        waehle(auswahlSachgruppe, werte.get('sachgruppe') || '');
        waehle(auswahlStandort, werte.get('standort') || '');
        waehle(auswahlSortierung, werte.get('sortierung') || 'verfasser');
    }

    function waehle(select, wert) {
        for (var i = 0; i < select.options.length; i++) {
            if (select.options[i].value === wert) {
                select.selectedIndex = i;
                return;
            }
        }
        select.selectedIndex = 0;
    }

    function inAdresse() {
        var werte = new URLSearchParams();
        if (eingabe.value)
            werte.set('q', eingabe.value);
        if (auswahlSachgruppe.value)
            werte.set('sachgruppe', auswahlSachgruppe.value);
        if (auswahlStandort.value)
            werte.set('standort', auswahlStandort.value);
        if (auswahlSortierung.value !== 'verfasser')
            werte.set('sortierung', auswahlSortierung.value);
        var neu = werte.toString();
        try {
            window.history.replaceState(null, '', neu ? '#' + neu : window.location.pathname);
        } catch (e) {
            // Some browsers refuse to change the address of a local file; the search works all the same.
        }
    }

    function geaendert() {
        suche();
        inAdresse();
    }

    eingabe.addEventListener('input', geaendert);
    auswahlSachgruppe.addEventListener('change', geaendert);
    auswahlStandort.addEventListener('change', geaendert);
    auswahlSortierung.addEventListener('change', geaendert);
    el('suchformular').addEventListener('submit', function (e) { e.preventDefault(); });
    mehr.addEventListener('click', zeigeWeitere);
    window.addEventListener('hashchange', function () {
        ausAdresse();
        suche();
    });

    ausAdresse();
    suche();
})();

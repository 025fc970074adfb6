// The reader catalogue's search. Runs from a local folder (file://) as well as from any static web space:
// the data comes as a script file beside it, and every text reaches the page through textContent only.
(function () {
    'use strict';

    var SEITE = 100; // rows shown at once; "Weitere Treffer zeigen" adds as many again
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
    var buecher = daten.buecher;
    var feld = {};
    spalten.forEach(function (s, i) { feld[s.feld] = i; });
    var nStatus = spalten.length;        // 0 available, 1 lent (when availability is exported)
    var nRueckgabe = spalten.length + 1; // due date of a lent book (when exported)

    // Case and accents do not count: "muller" finds "Müller", "strasse" finds "Straße".
    function falte(text) {
        return text.toLowerCase().normalize('NFD').replace(/[\u0300-\u036f]/g, '')
            .replace(/\u00df/g, 'ss').replace(/\u00e6/g, 'ae').replace(/\u0153/g, 'oe').replace(/\u00f8/g, 'o');
    }

    // Folded once at load: a keystroke then only compares.
    var suchfelder = ['verfasser', 'titel', 'schlagwoerter', 'sachgruppe']
        .filter(function (f) { return f in feld; })
        .map(function (f) { return feld[f]; });
    var heuhaufen = new Array(buecher.length);
    for (var i = 0; i < buecher.length; i++) {
        var teile = [];
        for (var k = 0; k < suchfelder.length; k++)
            teile.push(buecher[i][suchfelder[k]]);
        heuhaufen[i] = falte(teile.join('\u0001'));
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
    var titel = spalten.map(function (s) { return s.titel; });
    if (daten.verfuegbarkeit)
        titel.push('Verfügbarkeit');
    titel.forEach(function (t) {
        var th = document.createElement('th');
        th.scope = 'col';
        th.textContent = t;
        kopf.appendChild(th);
    });

    function tausender(n) {
        return String(n).replace(/\B(?=(\d{3})+(?!\d))/g, '.');
    }

    var gefunden = [];
    var gezeigt = 0;

    function zeile(b) {
        var tr = document.createElement('tr');
        for (var j = 0; j < spalten.length; j++) {
            var td = document.createElement('td');
            td.setAttribute('data-titel', spalten[j].titel);
            td.textContent = b[j];
            tr.appendChild(td);
        }
        if (daten.verfuegbarkeit) {
            var st = document.createElement('td');
            st.setAttribute('data-titel', 'Verfügbarkeit');
            if (b[nStatus] === 1) {
                st.className = 'ausgeliehen';
                st.textContent = daten.rueckgabe && b[nRueckgabe] ? 'ausgeliehen, zurück bis ' + b[nRueckgabe]
                                                                   : 'ausgeliehen';
            } else {
                st.className = 'verfuegbar';
                st.textContent = 'verfügbar';
            }
            tr.appendChild(st);
        }
        return tr;
    }

    function zeigeWeitere() {
        var ende = Math.min(gefunden.length, gezeigt + SEITE);
        var stueck = document.createDocumentFragment();
        for (; gezeigt < ende; gezeigt++)
            stueck.appendChild(zeile(buecher[gefunden[gezeigt]]));
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
        var woerter = falte(eingabe.value).split(/\s+/).filter(function (w) { return w.length > 0; });
        var sg = auswahlSachgruppe.value;
        var so = auswahlStandort.value;
        var iSg = feld.sachgruppe;
        var iSo = feld.standort;
        var folge = auswahlSortierung.value === 'titel' ? daten.titelfolge : null;
        var n = buecher.length;
        gefunden = [];
        naechstes: for (var p = 0; p < n; p++) {
            var i = folge ? folge[p] : p;
            if (sg && buecher[i][iSg] !== sg)
                continue;
            if (so && buecher[i][iSo] !== so)
                continue;
            var h = heuhaufen[i];
            for (var w = 0; w < woerter.length; w++)
                if (h.indexOf(woerter[w]) < 0)
                    continue naechstes;
            gefunden.push(i);
        }
        treffer.textContent = '';
        gezeigt = 0;
        zeigeWeitere();
    }

    // The address keeps the search (#q=müller&sachgruppe=…), so that a search can be bookmarked or passed on.
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

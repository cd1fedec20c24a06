// Drafts in the browser's storage: a safety net against a closed tab, never
// the master copy. Every file:// page shares one storage, and school PCs
// with restore cards wipe it, so the teacher's file is what counts; a draft
// is kept per bank (the bank's id in its file), and opening a file whose
// draft is newer asks which to take rather than taking either silently.
//
// A tab that has a bank open says so every few seconds; another tab that
// opens the same bank sees it and warns, since both would write one draft.
'use strict';

const PREFIX = 'tessaly-editor/';
const DRAFT = PREFIX + 'draft/';
const OPEN = PREFIX + 'open/';
const HEARTBEAT_MS = 2000;
const STALE_MS = 7000;

function toBase64(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(s);
}

function fromBase64(text) {
  return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
}

// The bank as a draft holds it: pictures made from typed text are left out
// (they are made again); hand-made pictures and figures are kept.
function serialise(bank) {
  return {
    id: bank.id,
    keywords: bank.keywords,
    savedAt: bank.savedAt,
    questions: bank.questions.map((q) => ({
      unit: q.unit, correct: q.correct, wrong: q.wrong, sources: q.sources,
      figure: q.figure && {bytes: toBase64(q.figure.bytes), place: q.figure.place},
      pictures: Object.fromEntries(Object.entries(q.pictures).filter(([column]) => q.sources[column] === '')
          .map(([column, bytes]) => [column, toBase64(bytes)])),
    })),
  };
}

function deserialise(d) {
  return {
    id: d.id,
    keywords: d.keywords || [],
    savedAt: d.savedAt || null,
    questions: (d.questions || []).map((q) => ({
      unit: q.unit, correct: q.correct, wrong: q.wrong, sources: q.sources,
      figure: q.figure && {bytes: fromBase64(q.figure.bytes), place: q.figure.place},
      pictures: Object.fromEntries(Object.entries(q.pictures || {}).map(([c, b]) => [c, fromBase64(b)])),
    })),
  };
}

// Whether two banks hold the same work (their pictures made from text aside).
function sameWork(a, b) {
  const strip = (bank) => JSON.stringify({...serialise(bank), savedAt: null});
  return strip(a) === strip(b);
}

class Drafts {
  constructor(storage = window.localStorage) {
    this.storage = storage;
    this.tab = Math.random().toString(36).slice(2);
    this.timer = null;
    this.held = null;
  }

  // Keeps the bank's draft; false when the storage is full.
  save(bank) {
    try {
      this.storage.setItem(DRAFT + bank.id, JSON.stringify({changedAt: new Date().toISOString(), bank: serialise(bank)}));
      return true;
    } catch (err) {
      return false;
    }
  }

  load(id) {
    try {
      const d = JSON.parse(this.storage.getItem(DRAFT + id));
      return d && d.bank ? {changedAt: d.changedAt, bank: deserialise(d.bank)} : null;
    } catch (err) {
      return null;
    }
  }

  discard(id) {
    this.storage.removeItem(DRAFT + id);
  }

  // Every draft: [{id, changedAt, questions, first}], newest first.
  list() {
    const drafts = [];
    for (let i = 0; i < this.storage.length; i++) {
      const key = this.storage.key(i);
      if (!key.startsWith(DRAFT)) continue;
      const d = this.load(key.slice(DRAFT.length));
      if (d) {
        drafts.push({id: d.bank.id, changedAt: d.changedAt, questions: d.bank.questions.length,
          first: d.bank.questions.length ? d.bank.questions[0].sources['题目'].slice(0, 30) : ''});
      }
    }
    return drafts.sort((a, b) => (a.changedAt < b.changedAt ? 1 : -1));
  }

  // Whether another tab has the bank open now.
  openElsewhere(id) {
    try {
      const o = JSON.parse(this.storage.getItem(OPEN + id));
      return Boolean(o && o.tab !== this.tab && Date.now() - o.at < STALE_MS);
    } catch (err) {
      return false;
    }
  }

  // Says, until release(), that this tab has the bank open. onShared is
  // called when another tab opens it too.
  hold(id, onShared) {
    this.release();
    this.held = id;
    const beat = () => {
      try {
        this.storage.setItem(OPEN + id, JSON.stringify({tab: this.tab, at: Date.now()}));
      } catch (err) {
        // A full storage only loses the warning.
      }
    };
    beat();
    this.timer = setInterval(beat, HEARTBEAT_MS);
    this.listener = (e) => {
      if (e.key !== OPEN + id || !e.newValue) return;
      try {
        if (JSON.parse(e.newValue).tab !== this.tab) onShared();
      } catch (err) {
        // not ours
      }
    };
    window.addEventListener('storage', this.listener);
  }

  release() {
    if (this.timer) clearInterval(this.timer);
    if (this.listener) window.removeEventListener('storage', this.listener);
    if (this.held) {
      try {
        const o = JSON.parse(this.storage.getItem(OPEN + this.held));
        if (o && o.tab === this.tab) this.storage.removeItem(OPEN + this.held);
      } catch (err) {
        // nothing held
      }
    }
    this.timer = null;
    this.held = null;
  }
}

module.exports = {Drafts, sameWork};

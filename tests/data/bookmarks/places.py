"""Firefox's bookmarks database, places.sqlite, as Firefox keeps it, for the tests and the bench.

The tables, indexes and settings of a current Firefox (schema 77: 32 KB pages, incremental
vacuum, WAL) and of the older ones that name their roots in moz_bookmarks_roots: schema 26 (2013,
guids on every row, WAL) and schema 6 (Firefox 3: no guids, a rollback journal). The bookmarks
come as a backup's tree (the JSON root container of a bookmarks backup), so that a database and
a backup made from one tree hold the same guids.
"""
import os
import shutil
import sqlite3
import tempfile
import zlib

CURRENT = 77

_CURRENT_TABLES = """
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL,
  frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER,
  recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER,
  guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL,
  description TEXT, preview_image_url TEXT, site_name TEXT,
  origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0,
  alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,
  visit_date INTEGER, visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL,
  triggeringPlaceId INTEGER);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL,
  use_count INTEGER, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
  dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0,
  syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE TABLE moz_bookmarks_deleted (guid TEXT PRIMARY KEY, dateRemoved INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE,
  place_id INTEGER, post_data TEXT);
CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0,
  expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0,
  lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_items_annos (id INTEGER PRIMARY KEY, item_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0,
  expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0,
  lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID;
CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);
CREATE INDEX moz_places_hostindex ON moz_places (rev_host);
CREATE INDEX moz_places_visitcount ON moz_places (visit_count);
CREATE INDEX moz_places_frecencyindex ON moz_places (frecency);
CREATE INDEX moz_places_lastvisitdateindex ON moz_places (last_visit_date);
CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);
CREATE INDEX moz_places_originidindex ON moz_places (origin_id);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
CREATE INDEX moz_historyvisits_fromindex ON moz_historyvisits (from_visit);
CREATE INDEX moz_historyvisits_dateindex ON moz_historyvisits (visit_date);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE INDEX moz_bookmarks_itemlastmodifiedindex ON moz_bookmarks (fk, lastModified);
CREATE INDEX moz_bookmarks_dateaddedindex ON moz_bookmarks (dateAdded);
CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);
CREATE UNIQUE INDEX moz_keywords_placepostdata_uniqueindex ON moz_keywords (place_id, post_data);
CREATE UNIQUE INDEX moz_annos_placeattributeindex ON moz_annos (place_id, anno_attribute_id);
CREATE UNIQUE INDEX moz_items_annos_itemattributeindex ON moz_items_annos (item_id, anno_attribute_id);
"""

# Schema 26 (2013) and 6 (Firefox 3): the roots in a table of their own; guids from 26 on.
_OLD_TABLES = """
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
  typed INTEGER DEFAULT 0 NOT NULL, favicon_id INTEGER, frecency INTEGER DEFAULT -1 NOT NULL,
  last_visit_date INTEGER {places_guid});
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
  dateAdded INTEGER, lastModified INTEGER {bookmarks_guid});
CREATE TABLE moz_bookmarks_roots (root_name VARCHAR(16) UNIQUE, folder_id INTEGER);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE);
CREATE TABLE moz_favicons (id INTEGER PRIMARY KEY, url LONGVARCHAR UNIQUE, data BLOB,
  mime_type VARCHAR(32), expiration LONG {favicons_guid});
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,
  visit_date INTEGER, visit_type INTEGER, session INTEGER);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL,
  use_count INTEGER, PRIMARY KEY (place_id, input));
CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, mime_type VARCHAR(32) DEFAULT NULL, content LONGVARCHAR,
  flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0,
  dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_items_annos (id INTEGER PRIMARY KEY, item_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, mime_type VARCHAR(32) DEFAULT NULL, content LONGVARCHAR,
  flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0,
  dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);
CREATE UNIQUE INDEX moz_places_url_uniqueindex ON moz_places (url);
CREATE INDEX moz_places_hostindex ON moz_places (rev_host);
CREATE INDEX moz_places_visitcount ON moz_places (visit_count);
CREATE INDEX moz_places_frecencyindex ON moz_places (frecency);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE INDEX moz_bookmarks_itemlastmodifiedindex ON moz_bookmarks (fk, lastModified);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
"""

_OLD_ROOTS = {"root________": "places", "menu________": "menu", "toolbar_____": "toolbar",
              "tags________": "tags", "unfiled_____": "unfiled"}
_TYPES = {"text/x-moz-place": 1, "text/x-moz-place-container": 2, "text/x-moz-place-separator": 3}


def tables(schema):
    if schema >= 31:
        return _CURRENT_TABLES
    guid = ", guid TEXT" if schema >= 11 else ""
    return _OLD_TABLES.format(places_guid=guid, bookmarks_guid=guid, favicons_guid=guid)


class _Writer:
    def __init__(self, con, schema):
        self.con, self.schema = con, schema
        self.guids = schema >= 11
        self.places = {}
        self.rows = {}  # a backup's guid: its row and how many rows it holds

    def place(self, url, title):
        if url not in self.places:
            columns = {"url": url, "title": title, "rev_host": "", "frecency": 100}
            if self.guids:
                columns["guid"] = "pg%010d" % (len(self.places) + 1)
            if self.schema >= 31:
                columns["url_hash"] = zlib.crc32(url.encode())
                columns["foreign_count"] = 1
            self.places[url] = self.insert("moz_places", columns)
        return self.places[url]

    def insert(self, table, columns):
        names = ", ".join(columns)
        marks = ", ".join("?" * len(columns))
        return self.con.execute("INSERT INTO %s (%s) VALUES (%s)" % (table, names, marks),
                                list(columns.values())).lastrowid

    def node(self, node, parent, position):
        """One node of a backup's tree and all below it; its row's id."""
        kind = _TYPES[node["type"]]
        columns = {"type": kind, "parent": parent, "position": position,
                   "title": node.get("title"), "dateAdded": node.get("dateAdded", 0),
                   "lastModified": node.get("lastModified", 0)}
        if kind == 1:
            columns["fk"] = self.place(node["uri"], node.get("title"))
        if self.guids:
            guid = node["guid"]
            # Before fixed root guids a root had a guid like any other row.
            columns["guid"] = guid if self.schema >= 31 or guid not in _OLD_ROOTS else guid[:6] + "R00t_x"
        row = self.insert("moz_bookmarks", columns)
        self.rows[node.get("guid")] = [row, len(node.get("children", []))]
        if self.schema < 31 and node.get("guid") in _OLD_ROOTS:
            self.insert("moz_bookmarks_roots", {"root_name": _OLD_ROOTS[node["guid"]], "folder_id": row})
        for i, child in enumerate(node.get("children", [])):
            self.node(child, row, i)
        return row

    def later(self, parent_guid, node):
        """A node added below an existing folder, at its end."""
        folder = self.rows[parent_guid]
        self.node(node, folder[0], folder[1])
        folder[1] += 1


def write(path, root, schema=CURRENT, later=(), page_size=None, wal=None):
    """Writes the database of a backup's tree to path.

    later: (folder guid, node) pairs added in a transaction of their own after the rest was
    checkpointed, so that they live only in places.sqlite-wal beside it (a WAL database only).
    """
    page_size = page_size or (32768 if schema >= 31 else 4096)
    wal = schema >= 26 if wal is None else wal
    for name in (path, path + "-wal", path + "-shm", path + "-journal"):
        if os.path.exists(name):
            os.remove(name)
    work = tempfile.mkdtemp()
    made = os.path.join(work, "places.sqlite")
    con = sqlite3.connect(made, isolation_level=None)
    con.execute("PRAGMA page_size = %d" % page_size)
    if schema >= 31:
        con.execute("PRAGMA auto_vacuum = INCREMENTAL")
    con.executescript(tables(schema))
    con.execute("PRAGMA user_version = %d" % schema)
    if wal:
        con.execute("PRAGMA journal_mode = WAL")
        con.execute("PRAGMA wal_autocheckpoint = 0")
    writer = _Writer(con, schema)
    con.execute("BEGIN")
    writer.node(root, 0, 0)
    con.execute("COMMIT")
    if wal:
        con.execute("PRAGMA wal_checkpoint(TRUNCATE)")
    if later:
        con.execute("BEGIN")
        for parent_guid, node in later:
            writer.later(parent_guid, node)
        con.execute("COMMIT")
    # Taken while the connection is open, as another program copies Firefox's files: closing
    # would move the WAL's pages into the database and delete it.
    shutil.copyfile(made, path)
    if os.path.exists(made + "-wal"):
        shutil.copyfile(made + "-wal", path + "-wal")
    con.close()
    shutil.rmtree(work)


def titles(path, wal=True):
    """The titles of the bookmarks a database holds; without its WAL when wal is False."""
    work = tempfile.mkdtemp()
    copy = os.path.join(work, "places.sqlite")
    shutil.copyfile(path, copy)
    if wal and os.path.exists(path + "-wal"):
        shutil.copyfile(path + "-wal", copy + "-wal")
    con = sqlite3.connect(copy)
    found = {row[0] for row in con.execute("SELECT title FROM moz_bookmarks WHERE type = 1")}
    con.close()
    shutil.rmtree(work)
    return found

-- The template document database on a PostgreSQL server: the same tables,
-- columns, defaults and indexes as Moto.sql, in PostgreSQL's types.
-- Flags are 0/1; dates are timestamps.

CREATE TABLE msDoc (
    noDoc  INTEGER NOT NULL PRIMARY KEY,
    szDoc  TEXT DEFAULT '',
    txDoc  TEXT DEFAULT '',
    obDoc  BYTEA,
    saTgs  TEXT DEFAULT '',
    dyUdt  TIMESTAMP,
    wkRnd  DOUBLE PRECISION DEFAULT 0,
    boCod  SMALLINT DEFAULT 0,
    boUse  SMALLINT DEFAULT 0,
    boPng  SMALLINT DEFAULT 0
);

CREATE TABLE tbTree (
    noLfP   INTEGER NOT NULL DEFAULT 0,
    noLfC   INTEGER NOT NULL DEFAULT 0,
    inSrt   SMALLINT DEFAULT 0,
    szDoc   TEXT DEFAULT '',
    boLnk   SMALLINT DEFAULT 0,
    boHide  SMALLINT DEFAULT 0,
    boHogo  SMALLINT DEFAULT 0,
    boUse   SMALLINT DEFAULT 0,
    dyUdt   TIMESTAMP,
    dyUdt_P TIMESTAMP,
    dyPub   TIMESTAMP
);
CREATE UNIQUE INDEX ixTreePair ON tbTree (noLfP, noLfC);
CREATE INDEX ixTreeChild ON tbTree (noLfC);

CREATE TABLE tbHtm (
    noDoc  INTEGER NOT NULL PRIMARY KEY,
    saFnm  TEXT DEFAULT '',
    boRoot SMALLINT DEFAULT 0,
    inPng  SMALLINT DEFAULT 0,
    szTtl  TEXT DEFAULT '',
    szDsc  TEXT DEFAULT '',
    szKwd  TEXT DEFAULT '',
    szCpy  TEXT DEFAULT '',
    boNnx  SMALLINT DEFAULT 0,
    boTbF  SMALLINT DEFAULT 0
);

-- Phrases are unique without regard to letter case, as in the file database.
CREATE TABLE msDic (
    skDic TEXT NOT NULL PRIMARY KEY,
    szDic TEXT DEFAULT ''
);
CREATE UNIQUE INDEX ixDicNoCase ON msDic (lower(skDic));

CREATE TABLE kaUsr (
    DmFmt   TEXT,
    HsPub   TEXT DEFAULT '',
    HsHome1 TEXT DEFAULT '',
    HiHome  SMALLINT DEFAULT 0,
    HsTopNm TEXT DEFAULT '',
    HiFtp1  SMALLINT DEFAULT 0,
    HsSync1 TEXT DEFAULT '',
    HiLout  SMALLINT DEFAULT 0,
    HsHome2 TEXT DEFAULT '',
    HiType  SMALLINT DEFAULT 0,
    HiPfold SMALLINT DEFAULT 0,
    HsPfold TEXT DEFAULT '',
    HiPopS  SMALLINT DEFAULT 0,
    EsTtl   TEXT DEFAULT '',
    EsUid   TEXT DEFAULT '',
    EsCre   TEXT DEFAULT '',
    EsPub   TEXT DEFAULT '',
    EsName  TEXT DEFAULT '',
    EbFold  SMALLINT DEFAULT 0,
    EbTbF   SMALLINT DEFAULT 0,
    EbNit   SMALLINT DEFAULT 0
);

INSERT INTO kaUsr (DmFmt) VALUES (
    '<USR_LSP>1.2</USR_LSP>' || chr(13) ||
    '<USR_FORMAT_0>ＭＳ Ｐゴシック|14|5266053|16777215|1|0|0|0|0|160|180|160|0|0</USR_FORMAT_0>' || chr(13) ||
    '<USR_FORMAT_1>ＭＳ Ｐゴシック|12|5072980|16777215|1|0|0|0|0|160|140|120|0|0</USR_FORMAT_1>' || chr(13) ||
    '<USR_FORMAT_2>ＭＳ Ｐゴシック|11|5652282|16777215|1|0|0|0|0|160|100|80|0|0</USR_FORMAT_2>' || chr(13) ||
    '<USR_FORMAT_3>ＭＳ Ｐゴシック|10|0|16777215|0|0|0|0|0|60|0|0|0|0</USR_FORMAT_3>' || chr(13) ||
    '<USR_FORMAT_4>ＭＳ Ｐゴシック|10|0|16777215|1|0|0|0|0|60|0|0|0|0</USR_FORMAT_4>' || chr(13) ||
    '<USR_FORMAT_5>ＭＳ Ｐゴシック|9|8421504|16777215|0|0|0|0|0|60|0|0|0|0</USR_FORMAT_5>' || chr(13) ||
    '<USR_FORMAT_6>ＭＳ Ｐゴシック|9|5652282|16777215|0|1|0|0|0|0|0|0|0|0</USR_FORMAT_6>' || chr(13) ||
    '<USR_FORMAT_7>ＭＳ Ｐゴシック|9|5652282|16777215|0|1|0|0|0|0|0|0|0|0</USR_FORMAT_7>' || chr(13)
);

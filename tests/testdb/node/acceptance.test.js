'use strict';
// node-oracledb (thin mode) against `testdb serve`: the test database must look like an Oracle
// server to a real client. Environment: TESTDB_BIN (the executable), TESTDB_ARGS (JSON array of
// extra serve options, the server setting under test), TESTDB_CLIENT_SDU (SDU the client asks
// for), TESTDB_BIG=1 to include the 64 MiB BLOB.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const oracledb = require('oracledb');
const { startServer, descriptor } = require('./server.js');
const { MiB, sha256, makeDatabase } = require('./fixture.js');

const bin = process.env.TESTDB_BIN;
const serverArgs = JSON.parse(process.env.TESTDB_ARGS || '[]');
const clientSdu = process.env.TESTDB_CLIENT_SDU;
const includeBig = process.env.TESTDB_BIG === '1';

const LATEST = (program) =>
  `select ID_VERSION,Name_File,Name_Version from LIST_VERSION where ID_VERSION=(select max(id_version) from LIST_VERSION where ID_PROGRAM=${program})`;
const LATEST_ALL = (program) =>
  `select * from LIST_VERSION where ID_VERSION=(select max(id_version) from LIST_VERSION where ID_PROGRAM=${program})`;

const blobSizes = [0, 1, 8 * 1024 - 1, 8 * 1024, 8 * 1024 + 1, 3 * MiB, ...(includeBig ? [64 * MiB] : [])];
const blobProgram = (i) => 100 + i;

const fixture = makeDatabase(bin, [
  { program: 7, version: '1.0.0', size: 10 },
  { program: 7, version: '2.0.1 Сборка', size: 1 },
  ...blobSizes.map((size, i) => ({ program: blobProgram(i), version: `size ${size}`, size })),
], [
  'CREATE TABLE MANY_ROWS (N NUMBER(10), LABEL VARCHAR2(20))',
  'WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 1000) ' +
    "INSERT INTO MANY_ROWS SELECT n, 'row ' || n FROM c",
]);

let server;
const accounts = ['--account', 'updaterdemo:upd', '--account', 'old11g:Pass11:11g'];

function connectString(connectData = '(SID=dovizuza)') {
  return descriptor(server.port, connectData, clientSdu ? `(SDU=${clientSdu})` : '');
}

async function withConnection(fn, { user = 'updaterdemo', password = 'upd' } = {}) {
  const connection = await oracledb.getConnection({ user, password, connectString: connectString() });
  try {
    return await fn(connection);
  } finally {
    await connection.close();
  }
}

test.before(async () => {
  server = await startServer({ bin, db: fixture.db, dir: fixture.dir, args: [...accounts, ...serverArgs] });
});

test.after(async () => {
  assert.equal(await server.stop(), 0, 'testdb stops cleanly on SIGTERM');
  fs.rmSync(fixture.dir, { recursive: true, force: true });
});

test('logon with both verifiers, by SID and by service name', async () => {
  for (const [user, password] of [['updaterdemo', 'upd'], ['OLD11G', 'Pass11']]) {
    await withConnection(async (c) => {
      const r = await c.execute('select 1 + 1 from DUAL');
      assert.deepEqual(r.rows, [[2]]);
    }, { user, password });
  }
  const byService = await oracledb.getConnection({
    user: 'updaterdemo', password: 'upd', connectString: connectString('(SERVICE_NAME=dovizuza)'),
  });
  await byService.close();
});

test('refusals: unknown SID, unknown service, wrong password, unknown account', async () => {
  const cases = [
    { connectData: '(SID=nosuchsid)', code: 'NJS-519' },
    { connectData: '(SERVICE_NAME=nosuchservice)', code: 'NJS-518' },
  ];
  for (const { connectData, code } of cases) {
    await assert.rejects(oracledb.getConnection({ user: 'updaterdemo', password: 'upd', connectString: connectString(connectData) }),
                         (e) => e.code === code);
  }
  for (const [user, password] of [['updaterdemo', 'wrong'], ['old11g', 'pass11'], ['nobody', 'upd']]) {
    await assert.rejects(oracledb.getConnection({ user, password, connectString: connectString() }),
                         (e) => e.errorNum === 1017 && e.message.startsWith('ORA-01017: invalid username/password'));
  }
});

test('the updater\'s two statements: latest build with Cyrillic text, none for an unpublished program', async () => {
  await withConnection(async (c) => {
    const latest = await c.execute(LATEST(7));
    assert.deepEqual(latest.metaData.map((m) => m.name), ['ID_VERSION', 'NAME_FILE', 'NAME_VERSION']);
    assert.deepEqual(latest.rows, [[2, 'app-1.exe', '2.0.1 Сборка']]);

    const all = await c.execute(LATEST_ALL(7), [], { fetchInfo: { FILE_EXE: { type: oracledb.BUFFER } } });
    assert.deepEqual(all.metaData.map((m) => m.name), ['ID_VERSION', 'ID_PROGRAM', 'NAME_FILE', 'NAME_VERSION', 'FILE_EXE']);
    assert.equal(all.metaData[4].dbType, oracledb.DB_TYPE_BLOB);
    assert.deepEqual(all.rows[0].slice(0, 4), [2, 7, 'app-1.exe', '2.0.1 Сборка']);

    assert.deepEqual((await c.execute(LATEST(8))).rows, []);
    assert.deepEqual((await c.execute(LATEST_ALL(8))).rows, []);
  });
});

test('FILE_EXE read as a LOB stream and as a Buffer is byte-identical to the published file', async () => {
  await withConnection(async (c) => {
    for (const [i, size] of blobSizes.entries()) {
      const expected = fixture.builds.find((b) => b.program === blobProgram(i)).sha256;
      const asLob = await c.execute(LATEST_ALL(blobProgram(i)));
      const lob = asLob.rows[0][4];
      assert.equal(lob.length, size, `length of the ${size}-byte LOB`);
      if (size >= MiB) lob.pieceSize = MiB;  // large reads, as a downloader would
      const pieces = [];
      for await (const piece of lob) pieces.push(piece);
      assert.equal(sha256(Buffer.concat(pieces)), expected, `stream of ${size} bytes`);

      const asBuffer = await c.execute(LATEST_ALL(blobProgram(i)), [], { fetchInfo: { FILE_EXE: { type: oracledb.BUFFER } } });
      // Oracle hands an empty BLOB fetched inline back as NULL.
      assert.equal(sha256(asBuffer.rows[0][4]), expected, `buffer of ${size} bytes`);
    }
  });
});

test('errors carry the ORA number and text: missing table, unknown column, bad syntax', async () => {
  await withConnection(async (c) => {
    const cases = [
      { sql: 'select * from NO_SUCH_TABLE', errorNum: 942, text: 'ORA-00942: table or view does not exist', offset: 14 },
      { sql: 'select NOPE from LIST_VERSION', errorNum: 904, text: 'ORA-00904: "NOPE": invalid identifier', offset: 7 },
      { sql: 'select * from LIST_VERSION where', errorNum: 921, text: 'ORA-00921: unexpected end of SQL command' },
    ];
    for (const { sql, errorNum, text, offset } of cases) {
      await assert.rejects(c.execute(sql), (e) => {
        assert.equal(e.errorNum, errorNum, sql);
        assert.ok(e.message.startsWith(text), `${sql}: ${e.message}`);
        if (offset !== undefined) assert.equal(e.offset, offset, `${sql}: error position`);
        return true;
      });
    }
    // The session goes on after an error.
    assert.deepEqual((await c.execute('select count(*) from LIST_VERSION')).rows, [[fixture.builds.length]]);
  });
});

test('a 1000-row result arrives through several FETCH calls, in order', async () => {
  await withConnection(async (c) => {
    const r = await c.execute('select N, LABEL from MANY_ROWS order by N', [], { resultSet: true, fetchArraySize: 97 });
    const rows = [];
    let batches = 0;
    for (let batch; (batch = await r.resultSet.getRows(97)).length > 0; batches++) rows.push(...batch);
    await r.resultSet.close();
    assert.equal(rows.length, 1000);
    assert.ok(batches >= 10, `fetched in ${batches} batches`);
    rows.forEach(([n, label], i) => {
      assert.equal(n, i + 1);
      assert.equal(label, `row ${i + 1}`);
    });
  });
});

test('the connection runs with the TNS version and SDU this setting asks for', { skip: !process.env.TESTDB_EXPECT_ACCEPT }, async () => {
  await withConnection(async (c) => {
    await c.execute('select 1 from DUAL');
  });
  assert.match(server.log(), new RegExp(` accept ${process.env.TESTDB_EXPECT_ACCEPT}\\n`));
});

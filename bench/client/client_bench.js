'use strict';
// Our Direct-mode client against node-oracledb thin, same work, same test database, same run:
// connect + logon + the latest-build query + logoff (wall time, round trips counted by the
// server), and saving a BLOB to a file and flushing it to the disk (MB/s, peak resident memory
// of the client process).
// Prints a table; asserts only that both clients saved the right bytes.
// Usage: node client_bench.js TESTDB_BIN OUR_BENCH_BIN [SIZE_MIB] [RUNS]
const fs = require('node:fs');
const path = require('node:path');
const crypto = require('node:crypto');
const { execFileSync } = require('node:child_process');
const { startServer, descriptor } = require('../../tests/testdb/node/server.js');
const { MiB, makeDatabase } = require('../../tests/testdb/node/fixture.js');

const LATEST = 'select ID_VERSION,Name_File,Name_Version from LIST_VERSION where ID_VERSION=' +
  '(select max(id_version) from LIST_VERSION where ID_PROGRAM=7)';
const LATEST_ALL = 'select * from LIST_VERSION where ID_VERSION=(select max(id_version) from LIST_VERSION where ID_PROGRAM=7)';

function sha256File(file) {
  const hash = crypto.createHash('sha256');
  const fd = fs.openSync(file, 'r');
  const buf = Buffer.alloc(8 * MiB);
  let n;
  while ((n = fs.readSync(fd, buf, 0, buf.length, null)) > 0) hash.update(buf.subarray(0, n));
  fs.closeSync(fd);
  return hash.digest('hex');
}

// Node's part of the BLOB run, in a process of its own so that its peak memory is its own.
async function nodeBlob(port, file) {
  const oracledb = require('oracledb');
  const c = await oracledb.getConnection({
    user: 'updaterdemo', password: 'upd', connectString: descriptor(port, '(SID=dovizuza)', '(SDU=2097152)'),
  });
  const r = await c.execute(LATEST_ALL, [], { outFormat: oracledb.OUT_FORMAT_OBJECT });
  const lob = r.rows[0].FILE_EXE;
  lob.pieceSize = 4 * MiB;
  const started = process.hrtime.bigint();
  // The same work as ours: blocking writes, then the file pushed to the disk before it counts.
  const fd = fs.openSync(file, 'w');
  for await (const chunk of lob) fs.writeSync(fd, chunk);
  fs.fsyncSync(fd);
  fs.closeSync(fd);
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  await c.close();
  console.log(JSON.stringify({ seconds, peakRssKib: process.resourceUsage().maxRSS }));
}

async function nodeSessions(port, runs) {
  const oracledb = require('oracledb');
  const started = process.hrtime.bigint();
  for (let i = 0; i < runs; i++) {
    const c = await oracledb.getConnection({
      user: 'updaterdemo', password: 'upd', connectString: descriptor(port, '(SID=dovizuza)'),
    });
    await c.execute(LATEST);
    await c.close();
  }
  return Number(process.hrtime.bigint() - started) / 1e6 / runs;
}

// Round trips the server counted for the connections that ended since `from` in its log.
function roundTrips(log, from) {
  const counts = [...log.slice(from).matchAll(/round_trips=(\d+)/g)].map((m) => Number(m[1]));
  return counts.length ? Math.max(...counts) : NaN;
}

async function main() {
  if (process.argv[2] === '--node-blob') return nodeBlob(Number(process.argv[3]), process.argv[4]);
  const [bin, ours] = process.argv.slice(2, 4);
  const sizeMiB = Number(process.argv[4] || 256);
  const runs = Number(process.argv[5] || 20);
  const fixture = makeDatabase(bin, [{ program: 7, version: 'bench', size: sizeMiB * MiB }]);
  const server = await startServer({ bin, db: fixture.db, dir: fixture.dir });
  try {
    let mark = server.log().length;
    const oursSession = JSON.parse(execFileSync(ours, ['session', String(server.port), String(runs)]));
    const oursTrips = roundTrips(server.log(), mark);
    mark = server.log().length;
    const nodeMs = await nodeSessions(server.port, runs);
    await new Promise((resolve) => setTimeout(resolve, 200));
    const nodeTrips = roundTrips(server.log(), mark);

    const oursFile = path.join(fixture.dir, 'ours.bin');
    const nodeFile = path.join(fixture.dir, 'node.bin');
    const oursBlob = JSON.parse(execFileSync(ours, ['blob', String(server.port), oursFile]));
    const nodeBlobRun = JSON.parse(execFileSync(process.execPath, [__filename, '--node-blob', String(server.port), nodeFile],
                                                { env: process.env, stdio: ['ignore', 'pipe', 'inherit'] }));
    for (const file of [oursFile, nodeFile]) {
      if (sha256File(file) !== fixture.builds[0].sha256) throw new Error(`${file} differs from the published build`);
    }
    const mb = sizeMiB * MiB / 1e6;
    // [measure, ours, node, higher is better]
    const rows = [
      ['connect+logon+query+logoff, ms', oursSession.msPerSession, nodeMs, false],
      ['  round trips (server count)', oursTrips, nodeTrips, false],
      [`save ${sizeMiB} MiB BLOB, MB/s`, mb / oursBlob.seconds, mb / nodeBlobRun.seconds, true],
      ['  client peak RSS, MiB', oursBlob.peakRssKib / 1024, nodeBlobRun.peakRssKib / 1024, false],
    ];
    console.log(`Direct-mode client vs node-oracledb ${require('oracledb/package.json').version} thin, loopback, ` +
                `${runs} sessions, one ${sizeMiB} MiB BLOB`);
    console.log('measure                            |       ours |   node-oracledb | ours better by');
    for (const [name, a, b, higherIsBetter] of rows) {
      const fmt = (v) => (Number.isInteger(v) ? String(v) : v.toFixed(1)).padStart(10);
      const factor = higherIsBetter ? a / b : b / a;
      console.log(`${name.padEnd(35)}| ${fmt(a)} | ${fmt(b).padStart(15)} | ${factor.toFixed(2).padStart(13)}x`);
    }
    const sweep = execFileSync(ours, ['sweep', String(server.port), oursFile]).toString().trim();
    console.log(`\nour BLOB speed by SDU asked and LOB READ size (MB/s):\n${sweep}`);
  } finally {
    await server.stop();
    fs.rmSync(fixture.dir, { recursive: true, force: true });
  }
}

main().catch((e) => { console.error(e); process.exit(1); });

'use strict';
// Serving a 256 MiB BLOB: the server's peak resident memory, and its speed against node-oracledb
// reading the same LOB in the same run. Prints figures; asserts nothing.
// Usage: node blob_bench.js TESTDB_BIN [SIZE_MIB]
const fs = require('node:fs');
const oracledb = require('oracledb');
const { startServer, descriptor } = require('../../tests/testdb/node/server.js');
const { MiB, makeDatabase } = require('../../tests/testdb/node/fixture.js');

const bin = process.argv[2];
const sizeMiB = Number(process.argv[3] || 256);

function procStatus(pid, key) {
  const line = fs.readFileSync(`/proc/${pid}/status`, 'utf8').split('\n').find((l) => l.startsWith(key));
  return Number(line.split(/\s+/)[1]) / 1024;  // MiB
}

function cpuSeconds(pid) {
  const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return (Number(fields[11]) + Number(fields[12])) / 100;  // utime + stime, in clock ticks of 1/100 s
}

(async () => {
  const fixture = makeDatabase(bin, [{ program: 1, version: 'bench', size: sizeMiB * MiB }]);
  const server = await startServer({ bin, db: fixture.db, dir: fixture.dir, args: ['--quiet'] });
  const pid = Number(require('node:child_process').execSync(`pgrep -f "port-file ${fixture.dir}" | head -1`).toString());
  console.log(`testdb BLOB benchmark: ${sizeMiB} MiB BLOB, loopback`);
  console.log('piece size | node read MB/s | server CPU s | server MB/s per CPU s | server/node | server peak RSS MiB');
  for (const piece of [MiB, 8 * MiB]) {
    const c = await oracledb.getConnection({
      user: 'updaterdemo', password: 'upd',
      connectString: descriptor(server.port, '(SID=dovizuza)', '(SDU=2097152)'),
    });
    const r = await c.execute('select FILE_EXE from LIST_VERSION where ID_PROGRAM=1');
    const lob = r.rows[0][0];
    lob.pieceSize = piece;
    const cpuBefore = cpuSeconds(pid);
    const started = process.hrtime.bigint();
    let bytes = 0;
    const hash = require('node:crypto').createHash('sha256');
    for await (const chunk of lob) {
      bytes += chunk.length;
      hash.update(chunk);
    }
    const seconds = Number(process.hrtime.bigint() - started) / 1e9;
    const serverCpu = cpuSeconds(pid) - cpuBefore;
    await c.close();
    if (hash.digest('hex') !== fixture.builds[0].sha256 || bytes !== sizeMiB * MiB) throw new Error('wrong bytes');
    const nodeRate = bytes / 1e6 / seconds;
    const serverRate = bytes / 1e6 / Math.max(serverCpu, 0.01);
    console.log(`${piece / MiB} MiB | ${nodeRate.toFixed(1)} | ${serverCpu.toFixed(2)} | ${serverRate.toFixed(1)} | ` +
                `${(serverRate / nodeRate).toFixed(2)}x | ${procStatus(pid, 'VmHWM').toFixed(1)}`);
  }
  await server.stop();
  fs.rmSync(fixture.dir, { recursive: true, force: true });
})().catch((e) => { console.error(e); process.exit(1); });

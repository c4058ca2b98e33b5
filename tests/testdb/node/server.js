'use strict';
// Starts `testdb serve` on a free loopback port and stops it again; shared by the node suites.
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

async function waitForFile(file, child, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if (child.exitCode !== null) throw new Error(`testdb exited with ${child.exitCode} before listening`);
    if (fs.existsSync(file)) return fs.readFileSync(file, 'utf8').trim();
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  throw new Error('testdb did not start listening in time');
}

// Returns { port, log(), stop() }. `args` are extra serve options (fault options, accounts...).
async function startServer({ bin, db, dir, args = [] }) {
  const portFile = path.join(dir, `port-${process.pid}-${Date.now()}-${Math.random()}.txt`);
  const logFile = path.join(dir, `serve-${path.basename(portFile, '.txt')}.log`);
  const log = fs.openSync(logFile, 'w');
  const child = spawn(bin, ['serve', '--db', db, '--port', '0', '--port-file', portFile, ...args],
                      { stdio: ['ignore', 'ignore', log] });
  fs.closeSync(log);
  const port = Number(await waitForFile(portFile, child, 10000));
  return {
    port,
    log: () => fs.readFileSync(logFile, 'utf8'),
    stop: () => new Promise((resolve) => {
      if (child.exitCode !== null) return resolve(child.exitCode);
      child.once('exit', (code) => resolve(code));
      child.kill('SIGTERM');
    }),
  };
}

function descriptor(port, connectData, extra = '') {
  return `(DESCRIPTION=${extra}(ADDRESS=(PROTOCOL=TCP)(HOST=127.0.0.1)(PORT=${port}))(CONNECT_DATA=${connectData}))`;
}

module.exports = { startServer, descriptor };

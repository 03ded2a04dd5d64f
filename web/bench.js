// The page's targets, measured in Debian's chromium on this machine:
//   node web/bench.js [RUNS]   (after scripts/web.sh build and the native
//                               preset's velmora-cli and velmora-bench)
// - the time of converting the 6000 x 4000 benchmark JPEG in the page's
//   worker (実行, median of RUNS; the worker holds the file already) as a
//   multiple of velmora-cli's whole run writing the same PNG (median of
//   RUNS);
// - the WebAssembly memory after that photo and after an 8000 x 6000 one;
// - the longest task on the page's thread while they convert;
// - the bytes of the first visit (every file of build/web, which the service
//   worker keeps), compressed by gzip -9 as a static host serves them.
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const { execFileSync } = require('node:child_process');
const fixtures = require('./tests/fixtures.js');

const runs = Number(process.argv[2] || 5);
const folder = path.join(fixtures.root, 'build/web-bench');

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[sorted.length >> 1];
}

// The benchmark's photo-like image, as bench/compare_converters.sh makes it.
function benchmarkPhoto() {
    const jpeg = path.join(folder, 'photo.jpg');
    if (!fs.existsSync(jpeg)) {
        fs.mkdirSync(folder, { recursive: true });
        execFileSync(path.join(fixtures.root, 'build/native/bench/velmora-bench'), ['--write-photo', `${jpeg}.bmp`]);
        execFileSync('/usr/bin/cjpeg', ['-quality', '90', '-outfile', jpeg, `${jpeg}.bmp`]);
        fs.rmSync(`${jpeg}.bmp`);
    }
    return jpeg;
}

function bigPhoto(photo) {
    const jpeg = path.join(folder, 'photo-48mp.jpg');
    if (!fs.existsSync(jpeg)) execFileSync('/usr/bin/convert', [photo, '-resize', '8000x6000!', '-quality', '90', jpeg]);
    return jpeg;
}

function nativeSeconds(photo) {
    const times = [];
    for (let i = 0; i < runs; ++i) {
        const started = process.hrtime.bigint();
        execFileSync(fixtures.cli, ['--format', 'png', '--quiet', '-o', path.join(folder, 'native.png'), photo]);
        times.push(Number(process.hrtime.bigint() - started) / 1e9);
    }
    return median(times);
}

async function pageFigures(url, photo, big) {
    const browser = await fixtures.launch();
    const page = await browser.newPage({ locale: 'ja-JP' });
    await page.addInitScript(() => {
        window.longestTask = 0;
        new PerformanceObserver((list) => {
            for (const entry of list.getEntries()) window.longestTask = Math.max(window.longestTask, entry.duration);
        }).observe({ type: 'longtask', buffered: true });
    });
    let chosen = photo;
    page.on('filechooser', (chooser) => chooser.setFiles(chosen));
    await page.goto(url);
    // The converter's default style, so that both do the same work.
    await page.getByLabel('線の種類').selectOption('edges');
    const done = async (click) => {
        const before = await page.getAttribute('#picture', 'src');
        await click();
        await page.waitForFunction((old) => document.getElementById('picture').getAttribute('src') !== old &&
            !document.body.hasAttribute('aria-busy'), before, { timeout: 300000 });
        return page.evaluate(() => ({
            seconds: Number(document.getElementById('status').dataset.seconds),
            memory: Number(document.getElementById('status').dataset.memory),
        }));
    };
    await done(() => page.click('#open'));
    const times = [];
    let memory = 0;
    for (let i = 0; i < runs; ++i) {
        const figures = await done(() => page.click('#execute'));
        times.push(figures.seconds);
        memory = Math.max(memory, figures.memory);
    }
    chosen = big;
    const bigFigures = await done(() => page.click('#open'));
    const longestTask = await page.evaluate(() => window.longestTask);
    await browser.close();
    return { seconds: median(times), memory, bigMemory: bigFigures.memory, bigSeconds: bigFigures.seconds, longestTask };
}

function firstVisitBytes() {
    const site = path.join(fixtures.root, 'build/web');
    let total = 0;
    const walk = (dir) => {
        for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
            const file = path.join(dir, entry.name);
            if (entry.isDirectory()) walk(file);
            else total += zlib.gzipSync(fs.readFileSync(file), { level: 9 }).length;
        }
    };
    walk(site);
    return total;
}

async function main() {
    const photo = benchmarkPhoto();
    const big = bigPhoto(photo);
    const server = await fixtures.serve();
    try {
        const native = nativeSeconds(photo);
        const web = await pageFigures(`http://127.0.0.1:${server.address().port}/`, photo, big);
        const mb = (bytes) => (bytes / 1048576).toFixed(1);
        console.log(`load average: ${fs.readFileSync('/proc/loadavg', 'utf8').trim()}`);
        console.log(`6000 x 4000 JPEG to PNG: page's worker ${web.seconds.toFixed(2)} s, velmora-cli ` +
                    `${native.toFixed(2)} s: ${(web.seconds / native).toFixed(2)} times (target at most 2.5)`);
        console.log(`WebAssembly memory: ${mb(web.memory)} MB for 6000 x 4000, ${mb(web.bigMemory)} MB for ` +
                    `8000 x 6000 (${web.bigSeconds.toFixed(2)} s), target at most 128 MB`);
        console.log(`longest task on the page's thread: ${web.longestTask.toFixed(0)} ms (target at most 200 ms)`);
        console.log(`first visit, gzip -9: ${(firstVisitBytes() / 1024).toFixed(0)} KB (target at most 400 KB)`);
    } finally {
        server.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});

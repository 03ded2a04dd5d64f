// Photographs the page in Debian's chromium, in Japanese, at desktop and
// phone width, with a picture extracted in the style the page opens on
// (写真), in thick lines with noise removal:
//   node web/screenshot.js   (after scripts/web.sh build)
// writes docs/web-desktop.png and docs/web-phone.png.
'use strict';
const path = require('node:path');
const fixtures = require('./tests/fixtures.js');

const sizes = { desktop: { width: 1280, height: 800 }, phone: { width: 390, height: 844 } };

async function main() {
    const picture = fixtures.made('wizard.jpg', ['logo:', '-quality', '92']);
    const server = await fixtures.serve();
    const browser = await fixtures.launch();
    try {
        for (const [name, viewport] of Object.entries(sizes)) {
            const page = await browser.newPage({ locale: 'ja-JP', viewport, deviceScaleFactor: 1 });
            page.on('filechooser', (chooser) => chooser.setFiles(picture));
            await page.goto(`http://127.0.0.1:${server.address().port}/`);
            await page.getByLabel('線の太さ').selectOption('1');
            await page.getByLabel('ゴミ除去').selectOption('1');
            await page.getByRole('button', { name: '開く' }).click();
            await page.waitForFunction(() => document.getElementById('status').dataset.memory);
            await page.waitForFunction(() => document.getElementById('picture').complete);
            await page.screenshot({ path: path.join(fixtures.root, 'docs', `web-${name}.png`) });
            await page.close();
        }
    } finally {
        await browser.close();
        server.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});

// Plays the phone against the program's transfer server in headless
// chromium (the system's own browser; playwright-core downloads none).
//
//   node phone.js upload   <page url> <screenshot.png> <picture>...
//   node phone.js download <page url> <screenshot.png> <save as>
//
// Prints one line "OK ..." and exits 0 when the page finished; anything else
// is a failure. An upload ends with the page's status and each picture's mark:
// "OK sent 2 | status ok | <text> | done:✓ 已上传 , failed:✗ 失败：不是图片".
'use strict';

const fs = require('fs');
const { chromium } = require('playwright-core');

const PHONE = { viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 };

function browserPath() {
  const candidates = [process.env.LORVANE_CHROMIUM, '/usr/lib/chromium/chromium', '/usr/bin/chromium'];
  return candidates.find((p) => p && fs.existsSync(p));
}

async function upload(page, url, shot, pictures) {
  await page.goto(url);
  await page.setInputFiles('#files', pictures);
  await page.click('#send');
  await page.waitForSelector('#status.ok, #status.error', { timeout: 30000 });
  await page.screenshot({ path: shot, fullPage: true });
  const status = await page.$eval('#status', (e) => e.className + ' | ' + e.textContent);
  const marks = await page.$$eval('#list li', (items) =>
    items.map((item) => item.className + ':' + item.lastChild.textContent));
  return 'sent ' + pictures.length + ' | ' + status + ' | ' + marks.join(' , ');
}

async function download(page, url, shot, target) {
  await page.goto(url);
  await page.screenshot({ path: shot, fullPage: true });
  const [file] = await Promise.all([page.waitForEvent('download'), page.click('#file_div a')]);
  await file.saveAs(target);
  return 'saved ' + file.suggestedFilename();
}

async function main() {
  const [mode, url, shot, ...rest] = process.argv.slice(2);
  const executablePath = browserPath();
  if (!executablePath) throw new Error('no chromium');
  const browser = await chromium.launch({ executablePath, headless: true, args: ['--no-sandbox'] });
  try {
    const context = await browser.newContext({ ...PHONE, acceptDownloads: true });
    const page = await context.newPage();
    page.setDefaultTimeout(30000);
    const result = mode === 'upload' ? await upload(page, url, shot, rest) : await download(page, url, shot, rest[0]);
    console.log('OK ' + result);
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(String(error && error.stack || error));
  process.exit(1);
});

// Debian's chromium, headless, for the page's tests and the node-rate script.
// Started as root on a machine without network: no sandbox, no background
// connections, a fresh profile (removed on close).
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import puppeteer from "puppeteer-core";

export async function launchChromium({ protocolTimeout = 60000 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), "gyre-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
    userDataDir: profile,
    timeout: 30000,
    protocolTimeout, // the longest single call to the browser
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close(); // the browser has exited: its profile is no longer written
    rmSync(profile, { recursive: true, force: true, maxRetries: 3 });
  };
  return browser;
}

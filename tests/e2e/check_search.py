"""Types into the search box of an html-albums page in headless Chromium, as a reader would.
    /usr/bin/python3 check_search.py PAGE TITLE
Prints what it found; exit status 0 when typing TITLE leaves exactly its row shown (with its
album's heading), and the page without script shows every row and no search box."""
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def browser(user_data, script):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # No network, no first-run work: the machine's network is closed.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--user-data-dir=" + user_data):
        options.add_argument(flag)
    if not script:
        options.add_experimental_option("prefs", {"profile.managed_default_content_settings.javascript": 2})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def shown_rows(driver):
    return [r.text for r in driver.find_elements(By.CSS_SELECTOR, "tr.track") if r.is_displayed()]


def main(page, title):
    problems = []
    with tempfile.TemporaryDirectory() as home:
        driver = browser(home + "/with", True)
        try:
            driver.get("file://" + page)
            all_rows = shown_rows(driver)
            box = driver.find_element(By.ID, "search")
            if not box.is_displayed():
                problems.append("the search box is not shown")
            box.send_keys(title)
            rows = shown_rows(driver)
            if len(rows) != 1 or title not in rows[0]:
                problems.append("typing %r left %r" % (title, rows))
            headings = [h.text for h in driver.find_elements(By.CSS_SELECTOR, "tr.album")
                        if h.is_displayed()]
            if len(headings) != 1:
                problems.append("album headings shown: %r" % headings)
            box.clear()
            box.send_keys(" ")  # an input event with nothing but a space matches every title
            box.send_keys("\b")
            if shown_rows(driver) != all_rows:
                problems.append("clearing the box did not bring every row back")
        finally:
            driver.quit()
        driver = browser(home + "/without", False)
        try:
            driver.get("file://" + page)
            if driver.find_element(By.ID, "search").is_displayed():
                problems.append("without script: a search box that cannot work is shown")
            if len(shown_rows(driver)) != len(all_rows):
                problems.append("without script: not every row is shown")
        finally:
            driver.quit()
    print("rows: %d; %s" % (len(all_rows), "; ".join(problems) or "as expected"))
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
